#include "storage/data_file.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdio>

#include "station_paths.h"
#include "station_write.h"

namespace VN_Sample {

std::string DataFileName(time_t now) {
    struct tm local = {};
    localtime_r(&now, &local);
    char name[32];
    std::snprintf(name, sizeof name, "vn%02i%02i%04i.vnd", local.tm_mon + 1, local.tm_mday, local.tm_year + 1900);
    return name;
}

FilePtr OpenStationFile(const std::string& path, const char* mode) {
    return FilePtr(std::fopen(VN_Lib::StationPath(path).c_str(), mode));
}

bool IsMountPoint(const std::string& path) {
    const std::string folder = VN_Lib::StationPath(path);
    struct stat own = {};
    struct stat parent = {};
    if (stat(folder.c_str(), &own) != 0 || stat((folder + "/..").c_str(), &parent) != 0) return false;
    return S_ISDIR(own.st_mode) && own.st_dev != parent.st_dev;
}

bool WriteStationString(const char* text, const char* path) {
    FilePtr file = OpenStationFile(path, "we");
    if (file == nullptr) return false;
    const bool written = VN_Lib::WriteStationFile(file.get(), std::string(text) + "\n");
    return CloseDurably(std::move(file)) && written;
}

bool ReadStationWord(char* buffer, size_t size, const char* path) {
    FilePtr file = OpenStationFile(path, "re");
    if (file == nullptr) return false;
    if (size == 0) return true;
    int c = std::fgetc(file.get());
    while (c != EOF && std::isspace(c)) c = std::fgetc(file.get());
    size_t length = 0;
    while (c != EOF && !std::isspace(c) && length + 1 < size) {
        buffer[length++] = static_cast<char>(c);
        c = std::fgetc(file.get());
    }
    buffer[length] = '\0';
    return true;
}

}  // namespace VN_Sample
