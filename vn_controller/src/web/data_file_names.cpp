#include "web/data_file_names.h"

#include <cstdio>
#include <cstring>

namespace VN_Sample {

namespace {

// Reads exactly count digits at *at, moving past them.
bool Digits(const std::string& text, size_t* at, size_t count, long* value) {
    if (*at + count > text.size()) return false;
    long result = 0;
    for (size_t i = 0; i < count; ++i) {
        const char c = text[*at + i];
        if (c < '0' || c > '9') return false;
        result = result * 10 + (c - '0');
    }
    *at += count;
    *value = result;
    return true;
}

// Reads min..max digits, as many as there are.
bool DigitRun(const std::string& text, size_t* at, size_t min, size_t max, long* value) {
    size_t count = 0;
    while (*at + count < text.size() && count < max && text[*at + count] >= '0' && text[*at + count] <= '9') ++count;
    return count >= min && Digits(text, at, count, value);
}

bool Literal(const std::string& text, size_t* at, const char* literal) {
    const size_t length = std::strlen(literal);
    if (text.compare(*at, length, literal) != 0) return false;
    *at += length;
    return true;
}

// "MMDDYYYY".
bool Date(const std::string& text, size_t* at, int* year, int* month, int* day) {
    long m = 0;
    long d = 0;
    long y = 0;
    if (!Digits(text, at, 2, &m) || !Digits(text, at, 2, &d) || !Digits(text, at, 4, &y)) return false;
    *month = static_cast<int>(m);
    *day = static_cast<int>(d);
    *year = static_cast<int>(y);
    return true;
}

// Channel ids are written with at least two digits; nine keep them an int.
const size_t MaxIdDigits = 9;

}  // namespace

bool ParseDayFileName(const std::string& name, DayFileName_T* parsed) {
    size_t at = 0;
    DayFileName_T result;
    if (!Literal(name, &at, "vn") || !Date(name, &at, &result.year, &result.month, &result.day) ||
        !Literal(name, &at, ".vnd") || at != name.size())
        return false;
    *parsed = result;
    return true;
}

bool ParseCurveFileName(const std::string& name, CurveFileName_T* parsed) {
    CurveFileName_T result;
    size_t at = 0;
    if (Literal(name, &at, "last_iv_")) {
        result.last = true;
        if (!DigitRun(name, &at, 1, MaxIdDigits, &result.module) || !Literal(name, &at, ".xml") || at != name.size())
            return false;
        *parsed = result;
        return true;
    }
    long hour = 0;
    long minute = 0;
    long second = 0;
    if (!DigitRun(name, &at, 2, MaxIdDigits, &result.module) || !Literal(name, &at, "_") ||
        !Date(name, &at, &result.year, &result.month, &result.day) || !Literal(name, &at, "_") ||
        !Digits(name, &at, 2, &hour) || !Digits(name, &at, 2, &minute) || !Digits(name, &at, 2, &second))
        return false;
    result.hour = static_cast<int>(hour);
    result.minute = static_cast<int>(minute);
    result.second = static_cast<int>(second);
    if (Literal(name, &at, "_")) {
        long number = 0;
        // Numbered names run from "_1" to "_99", never with a leading zero.
        if (at < name.size() && name[at] == '0') return false;
        if (!DigitRun(name, &at, 1, 2, &number)) return false;
        result.number = static_cast<unsigned>(number);
    }
    if (!Literal(name, &at, ".xml") || at != name.size()) return false;
    *parsed = result;
    return true;
}

std::string IsoDate(int year, int month, int day) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year % 10000, month % 100, day % 100);
    return text;
}

std::string IsoTime(int hour, int minute, int second) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", hour % 100, minute % 100, second % 100);
    return text;
}

std::string NameStem(const std::string& name) { return name.substr(0, name.rfind('.')); }

}  // namespace VN_Sample
