#include "net_names.h"

#include <cctype>
#include <sstream>
#include <vector>

namespace VN_Lib {

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(text);
    while (std::getline(stream, part, separator)) parts.push_back(part);
    // getline drops a trailing empty part; keep it so "a." is seen as such.
    if (!text.empty() && text.back() == separator) parts.emplace_back();
    return parts;
}

bool IsDigits(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

bool IsLabel(const std::string& label) {
    const size_t MaxLabel = 63;
    if (label.empty() || label.size() > MaxLabel) return false;
    if (label.front() == '-' || label.back() == '-') return false;
    for (char c : label) {
        // isalnum would take the locale's letters too.
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        bool digit = c >= '0' && c <= '9';
        if (!letter && !digit && c != '-') return false;
    }
    return true;
}

}  // namespace

bool IsIpv4Quad(const std::string& text) {
    std::vector<std::string> parts = Split(text, '.');
    if (parts.size() != 4) return false;
    for (const std::string& part : parts) {
        if (!IsDigits(part) || part.size() > 3) return false;
        if (part.size() > 1 && part[0] == '0') return false;
        if (std::stoi(part) > 255) return false;
    }
    return true;
}

bool IsHostName(const std::string& text) {
    const size_t MaxName = 253;
    if (text.empty() || text.size() > MaxName) return false;
    for (const std::string& label : Split(text, '.')) {
        if (!IsLabel(label)) return false;
    }
    return true;
}

}  // namespace VN_Lib
