#ifndef VN_LIB_C_LOCALE_H
#define VN_LIB_C_LOCALE_H

// Numbers on the wire and in files are written and read with a "." decimal
// point and no grouping. printf, strtod, sscanf, atof, std::to_string and
// TinyXML's own attribute conversions follow the C library's locale, which any
// library may change for the whole process with setlocale, so every thread of
// both programs calls UseCLocale before it writes or reads such a number: first
// thing in main, at the start of each thread a program creates, and in a server
// library's thread start callback for the threads the library creates.
// iostreams follow std::locale::global instead and are not covered; none of
// them formats a wire or file number.

namespace VN_Lib {

// The calling thread uses the "C" locale from now on, whatever the process's
// global locale is or becomes. Other threads are not affected.
void UseCLocale();

}  // namespace VN_Lib

#endif
