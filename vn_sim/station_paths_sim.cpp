#include "vn_sim/station_paths_sim.h"

#include <unistd.h>

#include <vector>

#include "station_paths.h"
#include "vn_sim/station_description.h"

namespace VN_Sim {

namespace {

std::string WorkingDirectory() {
    std::vector<char> buffer(4096);
    if (getcwd(buffer.data(), buffer.size()) == nullptr) return ".";
    return buffer.data();
}

// "/a/./b//c/../d" -> "/a/b/d"; ".." never climbs above "/".
std::string Normalise(const std::string& path) {
    std::vector<std::string> parts;
    size_t begin = 0;
    while (begin <= path.size()) {
        size_t end = path.find('/', begin);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(begin, end - begin);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        begin = end + 1;
    }
    std::string normal;
    for (const std::string& part : parts) normal += "/" + part;
    if (normal.empty()) normal = "/";
    // A trailing slash names a directory; keep it for the tools that care.
    if (path.size() > 1 && path.back() == '/' && normal != "/") normal += "/";
    return normal;
}

bool StartsWithFolder(const std::string& path, const std::string& folder) {
    return path.compare(0, folder.size(), folder) == 0 &&
           (path.size() == folder.size() || path[folder.size()] == '/');
}

}  // namespace

bool MapIntoStation(const std::string& stationPath, std::string* hostPath) {
    if (stationPath.empty() || stationPath[0] != '/') return false;
    std::string path = Normalise(stationPath);
    if (StartsWithFolder(path, "/vn")) {
        *hostPath = WorkingDirectory() + path.substr(3);
        return true;
    }
    for (const char* folder : {"/hda2", "/data", "/etc"}) {
        if (StartsWithFolder(path, folder)) {
            *hostPath = WorkingDirectory() + path;
            return true;
        }
    }
    return false;
}

}  // namespace VN_Sim

namespace VN_Lib {

std::string StationPath(const std::string& stationPath) {
    const char* serialPaths[] = {"/dev/ttyS0", "/dev/ttyS1"};
    for (int port = 1; port <= 2; ++port) {
        if (stationPath != serialPaths[port - 1]) continue;
        std::string device = VN_Sim::StationDescription::Instance().SerialDevice(port);
        // Unset: a path inside the station folder that does not exist, so the open fails.
        return device.empty() ? VN_Sim::WorkingDirectory() + stationPath : device;
    }
    std::string hostPath;
    if (VN_Sim::MapIntoStation(stationPath, &hostPath)) return hostPath;
    return stationPath;
}

}  // namespace VN_Lib
