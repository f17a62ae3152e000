#ifndef VN_LIB_LONG_TIMER_H
#define VN_LIB_LONG_TIMER_H

#include <sys/time.h>

// Elapsed time in milliseconds since the last restart, read from the monotonic
// clock (the clock seam) so that setting the time of day neither stretches nor
// cuts short an interval, with a coarse alarm for periodic work.
class LongTimer {
public:
    // Started at once, alarm disabled.
    LongTimer();

    void Restart();
    int ReadTimerMilliSeconds();
    int ReadTimerSeconds();
    unsigned ReadTimerMicroSeconds();
    // The microseconds part of the current time of day.
    int ReadTimeMicroSeconds();

    void SetAlarm(unsigned long milliSeconds);
    void SetAlarm(unsigned int seconds, unsigned int milliSeconds);
    void EnableAlarm();
    void DisableAlarm();
    // 1 once the alarm time has passed since the last restart (and from then
    // on until Restart), 0 before or when the alarm is disabled.
    int CheckAlarm();

private:
    int alarmEnabled = 0;
    unsigned long alarm = 0;
    bool fired = false;
    struct timeval start;
};

#endif
