#include "platform_clock.h"

namespace VN_Lib {

int SetPlatformClock(const struct timeval& tv) { return settimeofday(&tv, nullptr); }

}  // namespace VN_Lib
