#ifndef VN_LIB_SHORT_TIMER_H
#define VN_LIB_SHORT_TIMER_H

#include <sys/time.h>

namespace VN_Lib {

// Elapsed time in microseconds and busy-wait delays for short settling times.
// Measured on the monotonic clock (the clock seam); the delays poll it and
// never sleep.
class ShortTimer {
public:
    // Started at once, alarm disabled.
    ShortTimer();

    void Restart();
    unsigned ReadTimerMicroSeconds();

    // Each waits at least the given time from the call and returns the
    // microseconds actually waited. The timer's own start is not changed.
    unsigned MicroSecondDelay(unsigned long microSeconds);
    unsigned MilliSecondDelay(unsigned int milliSeconds);
    unsigned SecondDelay(unsigned int seconds);

    void SetAlarm(unsigned long microSeconds);
    void EnableAlarm();
    void DisableAlarm();
    int CheckAlarm();

private:
    int alarmEnabled = 0;
    unsigned long alarm = 0;
    bool fired = false;
    struct timeval start;
};

}  // namespace VN_Lib

#endif
