#include "web/day_file_lines.h"

#include <cstring>
#include <vector>

namespace VN_Sample {

namespace {

const size_t ReadSize = 64 * 1024;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool ForEachCompleteLine(std::FILE* file, uint64_t length, const std::function<bool(const std::string&)>& onLine) {
    std::vector<char> buffer(ReadSize);
    std::string line;
    bool overlong = false;
    uint64_t left = length;
    while (left > 0) {
        const size_t wanted = left < ReadSize ? static_cast<size_t>(left) : ReadSize;
        const size_t got = std::fread(buffer.data(), 1, wanted, file);
        if (got == 0) return !std::ferror(file);  // shorter than it was: what was there
        left -= got;
        const char* at = buffer.data();
        const char* const end = at + got;
        while (at < end) {
            const char* newline = static_cast<const char*>(std::memchr(at, '\n', static_cast<size_t>(end - at)));
            const char* const stop = newline != nullptr ? newline : end;
            if (!overlong) line.append(at, stop);
            if (line.size() > MaxDayFileLine) {
                overlong = true;
                line.clear();
            }
            if (newline == nullptr) break;
            at = newline + 1;
            if (!overlong) {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                if (!onLine(line)) return false;
            }
            overlong = false;
            line.clear();
        }
    }
    return true;
}

bool IsDataLine(const std::string& line) {
    static const char Form[] = "00/00/0000";
    if (line.size() < sizeof Form - 1) return false;
    for (size_t i = 0; i + 1 < sizeof Form; ++i)
        if (Form[i] == '0' ? !IsDigit(line[i]) : line[i] != Form[i]) return false;
    return true;
}

int64_t CountDataLines(std::FILE* file, uint64_t length) {
    int64_t count = 0;
    const bool read = ForEachCompleteLine(file, length, [&count](const std::string& line) {
        if (IsDataLine(line)) ++count;
        return true;
    });
    return read ? count : -1;
}

}  // namespace VN_Sample
