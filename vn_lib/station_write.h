#ifndef VN_LIB_STATION_WRITE_H
#define VN_LIB_STATION_WRITE_H

#include <cstdio>
#include <string>

// Seam: writing the station's files. On the station plain stdio; in the
// simulation a volume can be made full on purpose (sim_volume_full, see
// docs/sim_station.md), so a write fails as it does on a full disk.

namespace VN_Lib {

// Writes the text at the file's position. False, with errno set (ENOSPC: the
// volume is full), when not all of it was written; what was written stays.
bool WriteStationFile(std::FILE* file, const std::string& text);

}  // namespace VN_Lib

#endif
