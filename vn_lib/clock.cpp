#include "clock.h"

#include <atomic>

#include "platform_clock.h"

namespace VN_Lib {

namespace {

// Atomic: tests install a clock while timers may be read on other threads.
std::atomic<ClockFunction> installedClock{nullptr};
std::atomic<ClockFunction> installedMonotonicClock{nullptr};

}  // namespace

void SetClockFunction(ClockFunction function) { installedClock.store(function); }

void SetMonotonicClockFunction(ClockFunction function) { installedMonotonicClock.store(function); }

bool MachineMonotonicClock() { return installedMonotonicClock.load() == nullptr; }

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

int GetMonotonicTime(struct timeval* tv) {
    ClockFunction function = installedMonotonicClock.load();
    if (function != nullptr) {
        function(tv);
        return 0;
    }
    struct timespec now = {0, 0};
    const int result = clock_gettime(CLOCK_MONOTONIC, &now);
    tv->tv_sec = now.tv_sec;
    tv->tv_usec = static_cast<suseconds_t>(now.tv_nsec / 1000);
    return result;
}

int SetSystemClock(const struct timeval& tv) { return SetPlatformClock(tv); }

}  // namespace VN_Lib
