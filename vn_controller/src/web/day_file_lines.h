#ifndef VN_CONTROLLER_DAY_FILE_LINES_H
#define VN_CONTROLLER_DAY_FILE_LINES_H

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

// Reading a day file line by line in bounded memory: it may be years of
// samples, and may be appended to while it is read.

namespace VN_Sample {

// Lines longer than this are skipped whole; a data line of a hundred
// channels is a few kilobytes.
constexpr size_t MaxDayFileLine = 1 << 20;

// Calls onLine with each complete line among the first length bytes of the
// file (read from where it stands), without its "\n" and a "\r" before it.
// A last line without its line end (being written) is left out. False when
// reading failed or onLine returned false.
bool ForEachCompleteLine(std::FILE* file, uint64_t length, const std::function<bool(const std::string&)>& onLine);

// A stored sample: the line begins with its "mm/dd/yyyy" date. Every other
// line is a header line (or not the station's).
bool IsDataLine(const std::string& line);

// The data lines among the first length bytes; -1 when reading failed.
int64_t CountDataLines(std::FILE* file, uint64_t length);

}  // namespace VN_Sample

#endif
