#ifndef VN_CONTROLLER_LINE_COUNT_CACHE_H
#define VN_CONTROLLER_LINE_COUNT_CACHE_H

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>

// The data line counts of the day files, kept between listings: a station
// holds years of files and only today's changes. Shared by the web workers.

namespace VN_Sample {

// What a count was taken of: a file that changed differs in size or
// modification time.
struct FileVersion_T {
    uint64_t size = 0;
    int64_t modifiedNs = 0;
    bool operator==(const FileVersion_T& other) const {
        return size == other.size && modifiedNs == other.modifiedNs;
    }
};

class LineCountCache {
public:
    // The count kept for this version of the file; false when there is none.
    bool Find(const std::string& name, const FileVersion_T& version, int64_t* lines) const;
    void Store(const std::string& name, const FileVersion_T& version, int64_t lines);
    // Forgets the files not named, so deleted files do not stay.
    void KeepOnly(const std::set<std::string>& names);

private:
    struct Entry_T {
        FileVersion_T version;
        int64_t lines = 0;
    };
    mutable std::mutex mutex;
    std::map<std::string, Entry_T> entries;
};

}  // namespace VN_Sample

#endif
