#ifndef VN_SIM_CARD_CARD_CLOCK_H
#define VN_SIM_CARD_CARD_CLOCK_H

#include <cstdint>

namespace VN_Sim {

// The system's time of day (the clock seam) in microseconds, so that the card
// models and the drivers' busy-waits agree when tests drive the clock.
int64_t CardMicroseconds();

// The same in seconds, as handed to input sources.
double CardSeconds(int64_t microseconds);

}  // namespace VN_Sim

#endif
