#include "web/data_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "station_paths.h"

namespace VN_Sample {

namespace {

FileVersion_T VersionOf(const struct stat& status) {
    FileVersion_T version;
    version.size = static_cast<uint64_t>(status.st_size);
    version.modifiedNs = static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    return version;
}

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

}  // namespace

DataFolder::DataFolder(const std::string& stationPath) {
    const std::string path = VN_Lib::StationPath(stationPath);
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        prefix = path;
    } else {
        folder = path.substr(0, slash + 1);
        prefix = path.substr(slash + 1);
    }
}

std::vector<DataFolder::Entry_T> DataFolder::Entries() const {
    std::vector<Entry_T> entries;
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.empty() ? "." : folder.c_str()));
    if (dir == nullptr) return entries;
    const int dirFd = dirfd(dir.get());
    for (const dirent* entry = readdir(dir.get()); entry != nullptr; entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        struct stat status = {};
        if (fstatat(dirFd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(status.st_mode)) continue;
        entries.push_back({name.substr(prefix.size()), VersionOf(status)});
    }
    return entries;
}

std::string DataFolder::PathOf(const std::string& name) const { return folder + prefix + name; }

bool DataFolder::Open(const std::string& name, OpenFile_T* opened) const {
    // The folder is open to the data group: a link placed there must not
    // hand out a file from elsewhere.
    const int fd = open(PathOf(name).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat status = {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(fd);
        return false;
    }
    FilePtr file(fdopen(fd, "r"));
    if (file == nullptr) {
        close(fd);
        return false;
    }
    opened->file = std::move(file);
    opened->version = VersionOf(status);
    return true;
}

}  // namespace VN_Sample
