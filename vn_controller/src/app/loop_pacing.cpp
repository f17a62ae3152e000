#include "app/loop_pacing.h"

#include <algorithm>

namespace {

const long long UsPerSecond = 1000000;
static_assert(MaxLoopSleep.count() < UsPerSecond, "only the next second can come due within one sleep");

}  // namespace

std::chrono::microseconds LoopSleep(time_t due, const struct timeval& timeOfDay, long long pulseDueInUs) {
    long long sleepUs = std::min<long long>(MaxLoopSleep.count(), pulseDueInUs);
    // Compared in whole seconds first: due may be the largest time_t.
    if (due <= timeOfDay.tv_sec) {
        sleepUs = 0;
    } else if (due - 1 == timeOfDay.tv_sec) {
        sleepUs = std::min<long long>(sleepUs, UsPerSecond - timeOfDay.tv_usec);
    }
    return std::chrono::microseconds(std::max<long long>(sleepUs, LoopYield.count()));
}
