#ifndef VN_LIB_STATION_PATHS_H
#define VN_LIB_STATION_PATHS_H

#include <string>

// Seam: where the station's fixed paths live. On the station they are used as
// written; in the simulation "/vn" is the working directory, "/hda2", "/data"
// and "/etc" its subfolders, and the serial devices are pseudo-terminals named
// by the station description.

namespace VN_Lib {

// The path to open for a path as the station writes it. Paths outside the
// station's folders are returned unchanged.
std::string StationPath(const std::string& stationPath);

}  // namespace VN_Lib

#endif
