#ifndef VN_CONTROLLER_STORAGE_DATA_FILE_H
#define VN_CONTROLLER_STORAGE_DATA_FILE_H

#include <cstddef>
#include <ctime>
#include <string>

#include "common/durable_file.h"

// Files of the data volume, by station path (station_paths.h).

namespace VN_Sample {

// The day's data file: "vnMMDDYYYY.vnd" by the local date of now.
std::string DataFileName(time_t now);

// The station path opened with fopen's mode; null when it cannot be.
FilePtr OpenStationFile(const std::string& path, const char* mode);

// Writes the text and a line break as the whole file, synced to the disk;
// false when any step failed.
bool WriteStationString(const char* text, const char* path);

// Whether a file system is mounted on the station path: the folder lies on
// another device than its parent.
bool IsMountPoint(const std::string& path);

// The file's first word (leading white space skipped) cut to size - 1
// characters; false when the file cannot be opened.
bool ReadStationWord(char* buffer, size_t size, const char* path);

}  // namespace VN_Sample

#endif
