#include "short_timer.h"

#include <cstdint>
#include <iostream>

#include "clock.h"
#include "elapsed.h"

namespace VN_Lib {

namespace {

struct timeval ReadNow() {
    struct timeval now = {0, 0};
    if (GetMonotonicTime(&now) != 0) std::cout << "################################################" << std::endl;
    return now;
}

}  // namespace

ShortTimer::ShortTimer() { Restart(); }

void ShortTimer::Restart() {
    GetMonotonicTime(&start);
    fired = false;
}

unsigned ShortTimer::ReadTimerMicroSeconds() {
    return static_cast<unsigned>(static_cast<uint64_t>(ElapsedMicroSeconds(start, ReadNow())));
}

unsigned ShortTimer::MicroSecondDelay(unsigned long microSeconds) {
    const uint64_t wanted = microSeconds;
    uint64_t waited = 0;
    struct timeval previous = ReadNow();
    // Busy-wait: the callers need settling times far below a scheduler tick.
    // Steps are summed so that a clock set back during the wait only loses
    // that step instead of stretching the delay by the jump.
    while (waited < wanted) {
        struct timeval now = ReadNow();
        int64_t step = ElapsedMicroSeconds(previous, now);
        if (step > 0) waited += static_cast<uint64_t>(step);
        previous = now;
    }
    return static_cast<unsigned>(waited);
}

unsigned ShortTimer::MilliSecondDelay(unsigned int milliSeconds) {
    return MicroSecondDelay(static_cast<unsigned long>(milliSeconds) * 1000);
}

unsigned ShortTimer::SecondDelay(unsigned int seconds) {
    return MicroSecondDelay(static_cast<unsigned long>(seconds) * 1000000);
}

void ShortTimer::SetAlarm(unsigned long microSeconds) { alarm = microSeconds; }

void ShortTimer::EnableAlarm() { alarmEnabled = 1; }

void ShortTimer::DisableAlarm() { alarmEnabled = 0; }

int ShortTimer::CheckAlarm() {
    if (!alarmEnabled) return 0;
    if (!fired) {
        int64_t elapsed = ElapsedMicroSeconds(start, ReadNow());
        fired = elapsed >= 0 && static_cast<uint64_t>(elapsed) >= alarm;
    }
    return fired ? 1 : 0;
}

}  // namespace VN_Lib
