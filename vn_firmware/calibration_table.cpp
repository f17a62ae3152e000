#include "calibration_table.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

#include "sys_error.h"

namespace {

const int MaxLineLength = 127;  // characters of a line that are read
// Header texts keep at most this many characters.
const size_t MaxWordLength = 31;

struct FileCloser {
    void operator()(FILE* file) const { fclose(file); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// The next line, cut to MaxLineLength characters; the rest of a longer line is
// dropped rather than read as a line of its own. False at the end of the file.
bool ReadLine(FILE* file, std::string* line) {
    line->clear();
    int c = fgetc(file);
    if (c == EOF) return false;
    for (; c != EOF && c != '\n'; c = fgetc(file)) {
        if (line->size() < static_cast<size_t>(MaxLineLength)) line->push_back(static_cast<char>(c));
    }
    return true;
}

std::vector<std::string> SplitWords(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        size_t start = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
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

// Whole word as a finite real: a NaN or infinite factor would poison every
// reading, and one that cannot be saved would be lost at the next save.
bool ParseReal(const std::string& word, double* value) {
    char* end = nullptr;
    double parsed = strtod(word.c_str(), &end);
    if (end == word.c_str() || *end != '\0' || !std::isfinite(parsed)) return false;
    if (!(std::fabs(parsed) < CalibrationTable::MaxFactorMagnitude)) return false;
    *value = parsed;
    return true;
}

std::string HeaderText(const std::vector<std::string>& words) {
    return words.size() > 1 ? words[1].substr(0, MaxWordLength) : std::string();
}

}  // namespace

std::string CalibrationTable::HeaderWord(const std::string& text) {
    std::string word = text.substr(0, MaxWordLength);
    for (char& c : word) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || byte == 0x7F) c = '_';
    }
    return word;
}

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
    std::string line;
    while (ReadLine(file.get(), &line)) ParseLine(line);
    // A path that opens but cannot be read (a directory, say) is no table either.
    return ferror(file.get()) != 0 ? ErrLoadOpen : 0;
}

void CalibrationTable::ParseLine(const std::string& line) {
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
