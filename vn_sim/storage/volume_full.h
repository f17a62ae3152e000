#ifndef VN_SIM_STORAGE_VOLUME_FULL_H
#define VN_SIM_STORAGE_VOLUME_FULL_H

#include <cstddef>
#include <string>

namespace VN_Sim {

// A full volume on purpose, for tests and fault scripts. The file
// "sim_volume_full" in the station folder lists station folders ("/data"),
// one per line; while a folder is listed, writes to the files under it store
// nothing. A number after the folder ("/data 20") lets each write store that
// many bytes first, as a disk that fills in the middle of a line does.
// Removing the line or the file frees the space. The file is read at every
// write, so another process may change it while the programs run.
extern const char* const VolumeFullFile;

// How many of size bytes a write to the file at hostPath (an absolute path
// as the host opens it) stores: size when no listed folder holds it.
size_t RoomForWrite(const std::string& hostPath, size_t size);

}  // namespace VN_Sim

#endif
