#include "calibration_table.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "sys_error.h"

namespace {

// A line is read up to this many characters; the rest of a longer line is dropped.
const int MaxLineLength = 127;
// Header texts keep at most this many characters.
const size_t MaxWordLength = 31;

struct FileCloser {
    void operator()(FILE* file) const { fclose(file); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

std::vector<std::string> SplitWords(const char* line) {
    std::vector<std::string> words;
    const char* p = line;
    while (*p != '\0') {
        while (*p != '\0' && std::isspace(static_cast<unsigned char>(*p))) ++p;
        const char* start = p;
        while (*p != '\0' && !std::isspace(static_cast<unsigned char>(*p))) ++p;
        if (p > start) words.emplace_back(start, p);
    }
    return words;
}

// Whole word as an integer (decimal, or 0x.. / 0.. as the writer's %i reader takes them).
bool ParseInt(const std::string& word, int* value) {
    errno = 0;
    char* end = nullptr;
    long parsed = strtol(word.c_str(), &end, 0);
    if (errno != 0 || end == word.c_str() || *end != '\0') return false;
    if (parsed < std::numeric_limits<int>::min() || parsed > std::numeric_limits<int>::max()) return false;
    *value = static_cast<int>(parsed);
    return true;
}

// Whole word as a finite real: a NaN or infinite factor would poison every reading.
bool ParseReal(const std::string& word, double* value) {
    char* end = nullptr;
    double parsed = strtod(word.c_str(), &end);
    if (end == word.c_str() || *end != '\0' || !std::isfinite(parsed)) return false;
    *value = parsed;
    return true;
}

std::string HeaderText(const std::vector<std::string>& words) {
    return words.size() > 1 ? words[1].substr(0, MaxWordLength) : std::string();
}

}  // namespace

CalEntry_T& CalibrationTable::AddEntry(int key) { return entries[key]; }

int CalibrationTable::SaveToFile(const std::string& path) const {
    FilePtr file(fopen(path.c_str(), "w"));
    if (!file) return VN_Lib::ERR_FILE_OPEN;
    fprintf(file.get(), "%s %s\n", "SERIAL_NUMBER", serial_number.c_str());
    fprintf(file.get(), "%s %s\n", "DATE", date.c_str());
    for (const auto& entry : entries) {
        fprintf(file.get(), "%s %i %f %f\n", "ENTRY", entry.first, entry.second.conversion_factor,
                entry.second.second_value);
    }
    // A full disk shows only here; a truncated table must not pass as saved.
    bool failed = ferror(file.get()) != 0;
    if (fclose(file.release()) != 0) failed = true;
    return failed ? VN_Lib::ERR_FILE_OPEN : 0;
}

int CalibrationTable::LoadFromFile(const std::string& path) {
    entries.clear();
    date.clear();
    serial_number.clear();
    FilePtr file(fopen(path.c_str(), "r"));
    if (!file) return ErrLoadOpen;
    char line[MaxLineLength + 1];
    while (fgets(line, sizeof(line), file.get()) != nullptr) {
        size_t length = strlen(line);
        if (length == MaxLineLength && line[length - 1] != '\n') {
            // Drop the tail of an over-long line rather than read it as a line of its own.
            int c;
            while ((c = fgetc(file.get())) != EOF && c != '\n') {
            }
        }
        ParseLine(line);
    }
    return 0;
}

void CalibrationTable::ParseLine(const char* line) {
    std::vector<std::string> words = SplitWords(line);
    if (words.empty()) return;
    if (words[0] == "SERIAL_NUMBER") {
        serial_number = HeaderText(words);
    } else if (words[0] == "DATE") {
        date = HeaderText(words);
    } else if (words[0] == "ENTRY") {
        if (entries.size() >= static_cast<size_t>(MaxFileEntries) || words.size() < 4) return;
        int key = 0;
        CalEntry_T entry;
        if (!ParseInt(words[1], &key) || !ParseReal(words[2], &entry.conversion_factor) ||
            !ParseReal(words[3], &entry.second_value)) {
            return;
        }
        // The first entry of a key wins.
        entries.emplace(key, entry);
    }
}
