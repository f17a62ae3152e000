#ifndef VN_CONTROLLER_DATA_FOLDER_H
#define VN_CONTROLLER_DATA_FOLDER_H

#include <cstdint>
#include <string>
#include <vector>

#include "common/durable_file.h"
#include "web/line_count_cache.h"

// A folder of the data volume as the sampler names its files: the folder's
// path text followed by the file name ("/data/vnd/" + "vn12082026.vnd").

namespace VN_Sample {

class DataFolder {
public:
    // The station path as the sampler's settings give it.
    explicit DataFolder(const std::string& stationPath);

    // The names of the regular files in the folder (links are not followed),
    // with their versions; nothing when the folder cannot be read.
    struct Entry_T {
        std::string name;
        FileVersion_T version;
    };
    std::vector<Entry_T> Entries() const;

    // The file's path on this host.
    std::string PathOf(const std::string& name) const;

    // Opens a regular file of the folder for reading, not through a link;
    // false when there is none. version tells its size at the opening.
    struct OpenFile_T {
        FilePtr file;
        FileVersion_T version;
    };
    bool Open(const std::string& name, OpenFile_T* opened) const;

private:
    std::string folder;  // "" for the working directory
    std::string prefix;  // what the names begin with in the folder
};

}  // namespace VN_Sample

#endif
