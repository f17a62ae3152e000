#include "long_timer.h"

#include <climits>
#include <cstdint>

#include "clock.h"
#include "elapsed.h"

namespace {

int SaturateToInt(int64_t value) {
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

int64_t MicroSecondsSince(const struct timeval& start) {
    struct timeval now;
    VN_Lib::GetMonotonicTime(&now);
    return VN_Lib::ElapsedMicroSeconds(start, now);
}

}  // namespace

LongTimer::LongTimer() { Restart(); }

void LongTimer::Restart() {
    VN_Lib::GetMonotonicTime(&start);
    fired = false;
}

// Truncated from the whole elapsed time: subtracting the seconds and the
// microseconds parts separately would report up to a full unit too much.
int LongTimer::ReadTimerMilliSeconds() { return SaturateToInt(MicroSecondsSince(start) / 1000); }

int LongTimer::ReadTimerSeconds() { return SaturateToInt(MicroSecondsSince(start) / 1000000); }

unsigned LongTimer::ReadTimerMicroSeconds() {
    return static_cast<unsigned>(static_cast<uint64_t>(MicroSecondsSince(start)));
}

int LongTimer::ReadTimeMicroSeconds() {
    struct timeval now;
    VN_Lib::GetTimeOfDay(&now);
    return static_cast<int>(now.tv_usec);
}

void LongTimer::SetAlarm(unsigned long milliSeconds) { alarm = milliSeconds; }

void LongTimer::SetAlarm(unsigned int seconds, unsigned int milliSeconds) {
    alarm = static_cast<unsigned long>(seconds) * 1000 + milliSeconds;
}

void LongTimer::EnableAlarm() { alarmEnabled = 1; }

void LongTimer::DisableAlarm() { alarmEnabled = 0; }

int LongTimer::CheckAlarm() {
    if (!alarmEnabled) return 0;
    if (!fired) {
        // Only a clock a test installed can step back: not yet due then.
        int64_t elapsed = MicroSecondsSince(start) / 1000;
        fired = elapsed >= 0 && static_cast<uint64_t>(elapsed) >= alarm;
    }
    return fired ? 1 : 0;
}
