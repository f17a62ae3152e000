#ifndef VN_LIB_PLATFORM_H
#define VN_LIB_PLATFORM_H

// Seam: what a program does once at start for its platform. The simulation
// reads sim_station.xml from the working directory and installs its devices;
// the station has nothing to do.

namespace VN_Lib {

// 0 on success; an error code when the platform cannot be set up.
int InitPlatform();

}  // namespace VN_Lib

#endif
