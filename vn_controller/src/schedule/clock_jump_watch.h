#ifndef VN_CONTROLLER_SCHEDULE_CLOCK_JUMP_WATCH_H
#define VN_CONTROLLER_SCHEDULE_CLOCK_JUMP_WATCH_H

#include <cstdint>

namespace VN_Sample {

// Tells the time of day being set (by an operator, NTP, a set-clock command)
// from time passing: a stalled pass sees both clocks move on alike, a set
// clock moves the time of day alone.
class ClockJumpWatch {
public:
    // Moves of the time of day against the monotonic clock up to this are drift and delay.
    static constexpr int64_t ToleranceUs = 2000000;

    // Whether the time of day was set since the last look; the first look only notes both clocks.
    bool Jumped();

private:
    bool looked = false;
    int64_t timeOfDayUs = 0;
    int64_t monotonicUs = 0;
};

}  // namespace VN_Sample

#endif
