#ifndef VN_SIM_STATION_PATHS_SIM_H
#define VN_SIM_STATION_PATHS_SIM_H

#include <string>

namespace VN_Sim {

// Maps a station path under "/vn", "/hda2", "/data" or "/etc" into the
// working directory (after resolving "." and ".." lexically). Returns false,
// leaving *hostPath alone, for any path that does not land inside it.
bool MapIntoStation(const std::string& stationPath, std::string* hostPath);

}  // namespace VN_Sim

#endif
