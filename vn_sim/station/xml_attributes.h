#ifndef VN_SIM_STATION_XML_ATTRIBUTES_H
#define VN_SIM_STATION_XML_ATTRIBUTES_H

#include <tinyxml.h>

#include <string>
#include <vector>

namespace VN_Sim {

// Strict readers of the station description's attributes. Each returns 0 and
// leaves *value as it was when the attribute is absent (the default), 0 with
// the value when it parses completely, and 1 with *error naming the element,
// its line and the attribute when it is present but malformed. Text such as
// "12abc" or "nan" is an error, never half a number.
int ReadDouble(const TiXmlElement& element, const char* name, double* value, std::string* error);
int ReadInt(const TiXmlElement& element, const char* name, int* value, std::string* error);
// Hexadecimal without prefix, as the station writes I/O addresses ("300").
int ReadHex(const TiXmlElement& element, const char* name, unsigned* value, std::string* error);
// "true"/"false", "yes"/"no" or "1"/"0".
int ReadBool(const TiXmlElement& element, const char* name, bool* value, std::string* error);
// Whitespace- or comma-separated reals; exactly count of them.
int ReadDoubles(const TiXmlElement& element, const char* name, int count, std::vector<double>* values,
                std::string* error);

// Like the readers above, but a missing attribute is an error too.
int RequireInt(const TiXmlElement& element, const char* name, int* value, std::string* error);
int RequireHex(const TiXmlElement& element, const char* name, unsigned* value, std::string* error);
int RequireText(const TiXmlElement& element, const char* name, std::string* value, std::string* error);

// "<Element> at line N": how messages name an element.
std::string Where(const TiXmlElement& element);

// Sets *error to "<Element> at line N: what" and returns 1.
int Fail(const TiXmlElement& element, const std::string& what, std::string* error);

}  // namespace VN_Sim

#endif
