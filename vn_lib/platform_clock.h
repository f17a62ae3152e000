#ifndef VN_LIB_PLATFORM_CLOCK_H
#define VN_LIB_PLATFORM_CLOCK_H

#include <sys/time.h>

// The platform's side of SetSystemClock (clock.h): settimeofday on the
// station, a journaled no-op in the simulation. Only clock.cpp calls it.

namespace VN_Lib {

int SetPlatformClock(const struct timeval& tv);

}  // namespace VN_Lib

#endif
