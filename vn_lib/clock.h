#ifndef VN_LIB_CLOCK_H
#define VN_LIB_CLOCK_H

#include <sys/time.h>
#include <ctime>

// Seam: the time of day as the whole system sees it. Timers, schedules and
// holds read it here, so tests can run them at chosen instants. The wall clock
// unless a clock function is installed.

namespace VN_Lib {

using ClockFunction = void (*)(struct timeval*);

// Installs the source of the time of day; nullptr restores the wall clock.
void SetClockFunction(ClockFunction function);

// 0 on success, like gettimeofday.
int GetTimeOfDay(struct timeval* tv);
time_t Now();

// Sets the system clock (settimeofday on the station; journaled, never done,
// in the simulation). 0 on success.
int SetSystemClock(const struct timeval& tv);

}  // namespace VN_Lib

#endif
