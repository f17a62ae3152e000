#include "vn_sim/storage/volume_full.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "station_paths.h"

namespace VN_Sim {

const char* const VolumeFullFile = "sim_volume_full";

namespace {

bool LiesUnder(const std::string& path, std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return path.compare(0, folder.size(), folder) == 0 && (path.size() == folder.size() || path[folder.size()] == '/');
}

}  // namespace

size_t RoomForWrite(const std::string& hostPath, size_t size) {
    std::ifstream list(VolumeFullFile);
    size_t room = size;
    for (std::string line; std::getline(list, line);) {
        std::istringstream words(line);
        std::string folder;
        if (!(words >> folder) || folder[0] != '/') continue;
        unsigned long long bytes = 0;
        if (!(words >> bytes)) bytes = 0;
        // Only a folder that maps into the station can be full: no host path is ever touched.
        const std::string hostFolder = VN_Lib::StationPath(folder);
        if (hostFolder == folder || !LiesUnder(hostPath, hostFolder)) continue;
        room = std::min<size_t>(room, static_cast<size_t>(std::min<unsigned long long>(bytes, size)));
    }
    return room;
}

}  // namespace VN_Sim
