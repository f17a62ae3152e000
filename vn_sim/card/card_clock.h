#ifndef VN_SIM_CARD_CARD_CLOCK_H
#define VN_SIM_CARD_CARD_CLOCK_H

#include <cstdint>

namespace VN_Sim {

// The monotonic clock (the clock seam) in microseconds: device timing, like a
// real converter's, does not follow the time of day when it is set. The
// drivers' busy-waits read the same clock, so both agree when tests drive it.
int64_t CardMicroseconds();

// The time of day in seconds at a card instant, as handed to input sources:
// the sky and the weather follow the time of day.
double CardSeconds(int64_t microseconds);

}  // namespace VN_Sim

#endif
