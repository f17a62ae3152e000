#include "vn_sim/station/xml_attributes.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace VN_Sim {

namespace {

int Malformed(const TiXmlElement& element, const char* name, const char* text, const char* expected,
              std::string* error) {
    return Fail(element, std::string("attribute ") + name + " is not " + expected + ": \"" + text + "\"", error);
}

bool ParseDouble(const char* text, double* value) {
    if (*text == '\0') return false;
    char* end = nullptr;
    errno = 0;
    double parsed = std::strtod(text, &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(parsed)) return false;
    *value = parsed;
    return true;
}

bool ParseLong(const char* text, int base, long* value) {
    if (*text == '\0' || *text == ' ' || *text == '+') return false;
    char* end = nullptr;
    errno = 0;
    long parsed = std::strtol(text, &end, base);
    if (errno != 0 || *end != '\0') return false;
    *value = parsed;
    return true;
}

}  // namespace

std::string Where(const TiXmlElement& element) {
    return element.ValueStr() + " at line " + std::to_string(element.Row());
}

int Fail(const TiXmlElement& element, const std::string& what, std::string* error) {
    *error = Where(element) + ": " + what;
    return 1;
}

int ReadDouble(const TiXmlElement& element, const char* name, double* value, std::string* error) {
    const char* text = element.Attribute(name);
    if (text == nullptr) return 0;
    if (!ParseDouble(text, value)) return Malformed(element, name, text, "a number", error);
    return 0;
}

int ReadInt(const TiXmlElement& element, const char* name, int* value, std::string* error) {
    const char* text = element.Attribute(name);
    if (text == nullptr) return 0;
    long parsed = 0;
    if (!ParseLong(text, 10, &parsed) || parsed < INT_MIN || parsed > INT_MAX)
        return Malformed(element, name, text, "a whole number", error);
    *value = static_cast<int>(parsed);
    return 0;
}

int ReadHex(const TiXmlElement& element, const char* name, unsigned* value, std::string* error) {
    const char* text = element.Attribute(name);
    if (text == nullptr) return 0;
    long parsed = 0;
    if (*text == '-' || !ParseLong(text, 16, &parsed) || parsed > 0xFFFF)
        return Malformed(element, name, text, "a hexadecimal I/O address (0..FFFF)", error);
    *value = static_cast<unsigned>(parsed);
    return 0;
}

int ReadBool(const TiXmlElement& element, const char* name, bool* value, std::string* error) {
    const char* text = element.Attribute(name);
    if (text == nullptr) return 0;
    std::string word(text);
    if (word == "true" || word == "yes" || word == "1") {
        *value = true;
    } else if (word == "false" || word == "no" || word == "0") {
        *value = false;
    } else {
        return Malformed(element, name, text, "true or false", error);
    }
    return 0;
}

int ReadDoubles(const TiXmlElement& element, const char* name, int count, std::vector<double>* values,
                std::string* error) {
    const char* text = element.Attribute(name);
    if (text == nullptr) return 0;
    std::vector<double> parsed;
    std::string list(text);
    size_t at = 0;
    while (at < list.size()) {
        size_t end = list.find_first_of(" ,\t\n", at);
        if (end == std::string::npos) end = list.size();
        if (end > at) {
            double number = 0.0;
            if (!ParseDouble(list.substr(at, end - at).c_str(), &number))
                return Malformed(element, name, text, "a list of numbers", error);
            parsed.push_back(number);
        }
        at = end + 1;
    }
    if (static_cast<int>(parsed.size()) != count)
        return Fail(element, std::string("attribute ") + name + " needs " + std::to_string(count) + " numbers", error);
    *values = parsed;
    return 0;
}

int RequireInt(const TiXmlElement& element, const char* name, int* value, std::string* error) {
    if (element.Attribute(name) == nullptr) return Fail(element, std::string("attribute ") + name + " is missing", error);
    return ReadInt(element, name, value, error);
}

int RequireHex(const TiXmlElement& element, const char* name, unsigned* value, std::string* error) {
    if (element.Attribute(name) == nullptr) return Fail(element, std::string("attribute ") + name + " is missing", error);
    return ReadHex(element, name, value, error);
}

int RequireText(const TiXmlElement& element, const char* name, std::string* value, std::string* error) {
    const char* text = element.Attribute(name);
    if (text == nullptr || *text == '\0')
        return Fail(element, std::string("attribute ") + name + " is missing or empty", error);
    *value = text;
    return 0;
}

}  // namespace VN_Sim
