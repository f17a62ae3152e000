#include "storage/day_file_tail.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace VN_Sample {

namespace {

const size_t ChunkSize = 4096;

// Length of the file up to and including its last line break; 0 when it has
// none, -1 when it cannot be read.
off_t WholeLinesLength(int descriptor, off_t size) {
    char chunk[ChunkSize];
    off_t end = size;
    while (end > 0) {
        const off_t start = end > static_cast<off_t>(ChunkSize) ? end - static_cast<off_t>(ChunkSize) : 0;
        const ssize_t got = ::pread(descriptor, chunk, static_cast<size_t>(end - start), start);
        if (got != end - start) return -1;
        for (ssize_t i = got; i > 0; --i)
            if (chunk[i - 1] == '\n') return start + i;
        end = start;
    }
    return 0;
}

// Whether the first length bytes hold at least lines line breaks; -1 when
// they cannot be read.
int HoldsLines(int descriptor, off_t length, size_t lines) {
    char chunk[ChunkSize];
    size_t found = 0;
    for (off_t start = 0; start < length && found < lines; start += static_cast<off_t>(ChunkSize)) {
        const size_t size = static_cast<size_t>(std::min<off_t>(length - start, static_cast<off_t>(ChunkSize)));
        if (::pread(descriptor, chunk, size, start) != static_cast<ssize_t>(size)) return -1;
        found += static_cast<size_t>(std::count(chunk, chunk + size, '\n'));
    }
    return found >= lines ? 1 : 0;
}

}  // namespace

DayFileTail MendDayFileTail(std::FILE* file, size_t headerLines) {
    const int descriptor = fileno(file);
    struct stat status = {};
    if (::fstat(descriptor, &status) != 0) return DayFileTail::Failed;
    if (!S_ISREG(status.st_mode)) return DayFileTail::Whole;
    if (status.st_size == 0) return DayFileTail::Empty;
    char last = '\0';
    if (::pread(descriptor, &last, 1, status.st_size - 1) != 1) return DayFileTail::Failed;
    off_t keep = last == '\n' ? status.st_size : WholeLinesLength(descriptor, status.st_size);
    if (keep < 0) return DayFileTail::Failed;
    const int headed = HoldsLines(descriptor, keep, headerLines);
    if (headed < 0) return DayFileTail::Failed;
    if (headed == 0) keep = 0;
    if (keep != status.st_size && ::ftruncate(descriptor, keep) != 0) return DayFileTail::Failed;
    return keep == 0 ? DayFileTail::Empty : DayFileTail::Whole;
}

}  // namespace VN_Sample
