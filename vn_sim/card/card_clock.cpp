#include "vn_sim/card/card_clock.h"

#include <sys/time.h>

#include "clock.h"

namespace VN_Sim {

namespace {

int64_t Microseconds(const struct timeval& tv) { return static_cast<int64_t>(tv.tv_sec) * 1000000 + tv.tv_usec; }

}  // namespace

int64_t CardMicroseconds() {
    struct timeval now = {0, 0};
    VN_Lib::GetMonotonicTime(&now);
    return Microseconds(now);
}

double CardSeconds(int64_t microseconds) {
    struct timeval timeOfDay = {0, 0};
    VN_Lib::GetTimeOfDay(&timeOfDay);
    const int64_t offset = Microseconds(timeOfDay) - CardMicroseconds();
    return static_cast<double>(microseconds + offset) / 1e6;
}

}  // namespace VN_Sim
