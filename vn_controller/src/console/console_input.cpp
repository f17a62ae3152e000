#include <cerrno>
#include <climits>
#include <cstdlib>
#include <istream>

#include "console/interface.h"

namespace VN_Sample {

namespace {

// Room of the operator's answer buffer, terminator included.
const size_t AnswerSize = 100;

// The text without surrounding blanks, so " 3 " still selects 3.
std::string Trimmed(const std::string& text) {
    const char* const blanks = " \t";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The number when the whole text is one (the parse stopped at its end and
// did not overflow), else 0.
template <typename Number, typename Parse>
Number WholeNumber(const std::string& line, Parse parse) {
    const std::string text = Trimmed(line);
    if (text.empty()) return 0;
    char* end = nullptr;
    errno = 0;
    const Number value = parse(text.c_str(), &end);
    if (errno == ERANGE || *end != '\0') return 0;
    return value;
}

}  // namespace

std::string interface::GetStringInput() {
    std::string line;
    if (!std::getline(*in, line)) {
        inputEnded = true;
        return "";
    }
    if (line.size() >= AnswerSize) line.resize(AnswerSize - 1);
    // A terminal that sends CR LF.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

int interface::GetIntegerInput() {
    const long value = WholeNumber<long>(GetStringInput(), [](const char* text, char** end) {
        return std::strtol(text, end, 10);
    });
    return value < INT_MIN || value > INT_MAX ? 0 : static_cast<int>(value);
}

float interface::GetFloatInput() { return WholeNumber<float>(GetStringInput(), std::strtof); }

double interface::GetDoubleInput() { return WholeNumber<double>(GetStringInput(), std::strtod); }

}  // namespace VN_Sample
