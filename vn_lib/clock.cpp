#include "clock.h"

#include <atomic>

#include "platform_clock.h"

namespace VN_Lib {

namespace {

// Atomic: tests install a clock while timers may be read on other threads.
std::atomic<ClockFunction> installedClock{nullptr};

}  // namespace

void SetClockFunction(ClockFunction function) { installedClock.store(function); }

int GetTimeOfDay(struct timeval* tv) {
    ClockFunction function = installedClock.load();
    if (function == nullptr) return gettimeofday(tv, nullptr);
    function(tv);
    return 0;
}

time_t Now() {
    struct timeval tv = {0, 0};
    GetTimeOfDay(&tv);
    return tv.tv_sec;
}

int SetSystemClock(const struct timeval& tv) { return SetPlatformClock(tv); }

}  // namespace VN_Lib
