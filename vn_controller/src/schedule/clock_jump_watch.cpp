#include "schedule/clock_jump_watch.h"

#include <sys/time.h>

#include "clock.h"

namespace VN_Sample {

namespace {

int64_t Microseconds(const struct timeval& tv) { return static_cast<int64_t>(tv.tv_sec) * 1000000 + tv.tv_usec; }

}  // namespace

bool ClockJumpWatch::Jumped() {
    struct timeval timeOfDay = {};
    struct timeval monotonic = {};
    VN_Lib::GetTimeOfDay(&timeOfDay);
    VN_Lib::GetMonotonicTime(&monotonic);
    const int64_t previousTimeOfDayUs = timeOfDayUs;
    const int64_t previousMonotonicUs = monotonicUs;
    timeOfDayUs = Microseconds(timeOfDay);
    monotonicUs = Microseconds(monotonic);
    if (!looked) {
        looked = true;
        return false;
    }
    const int64_t moved = (timeOfDayUs - previousTimeOfDayUs) - (monotonicUs - previousMonotonicUs);
    return moved > ToleranceUs || moved < -ToleranceUs;
}

}  // namespace VN_Sample
