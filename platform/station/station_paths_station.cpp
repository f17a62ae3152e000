#include "station_paths.h"

namespace VN_Lib {

// The station's own file system is the one the paths are written for.
std::string StationPath(const std::string& stationPath) { return stationPath; }

}  // namespace VN_Lib
