#ifndef VN_LIB_BANNER_H
#define VN_LIB_BANNER_H

namespace VN_Lib {

// Prints the framed start banner both programs show: stars, a blank framed
// line, the title line as given, a blank framed line, the version, stars.
void PrintBanner(const char* titleLine, const char* version);

}  // namespace VN_Lib

#endif
