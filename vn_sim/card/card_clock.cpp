#include "vn_sim/card/card_clock.h"

#include <sys/time.h>

#include "clock.h"

namespace VN_Sim {

int64_t CardMicroseconds() {
    struct timeval now = {0, 0};
    VN_Lib::GetTimeOfDay(&now);
    return static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_usec;
}

double CardSeconds(int64_t microseconds) { return static_cast<double>(microseconds) / 1e6; }

}  // namespace VN_Sim
