#ifndef VN_LIB_PLATFORM_H
#define VN_LIB_PLATFORM_H

#include <string>

// Seam: what a program does once at start for its platform. The simulation
// reads sim_station.xml from the working directory and installs the devices
// that belong to the named program ("vn_firmware" or "vn_controller"); the
// station has nothing to do.

namespace VN_Lib {

// 0 on success; an error code when the platform cannot be set up.
int InitPlatform(const std::string& program);

}  // namespace VN_Lib

#endif
