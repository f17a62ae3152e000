#ifndef VN_LIB_CLOCK_H
#define VN_LIB_CLOCK_H

#include <sys/time.h>
#include <ctime>

// Seam: the system's two clocks. Tests install their own functions for
// either, so they can run timers and schedules at chosen instants and set the
// time of day back or forward under them.
//
// - The time of day (GetTimeOfDay, Now) can be set at any moment (operators,
//   NTP, the set-clock command). Schedules and time stamps follow it: sample,
//   average and curve grids, day windows, profile steps, file names, records.
// - The monotonic clock (GetMonotonicTime) never jumps. Every duration is
//   measured on it: timers, time-outs, periods, holds, delays, waits.

// Times are stored and compared as time_t; a 32-bit build must get the 64-bit
// one (-D_TIME_BITS=64 -D_FILE_OFFSET_BITS=64) or it ends in 2038.
static_assert(sizeof(time_t) == 8, "time_t must be 64 bits wide");

namespace VN_Lib {

using ClockFunction = void (*)(struct timeval*);

// Installs the source of the time of day; nullptr restores the wall clock.
void SetClockFunction(ClockFunction function);
// Installs the source of the monotonic clock; nullptr restores CLOCK_MONOTONIC.
void SetMonotonicClockFunction(ClockFunction function);

// True while no test clock is installed for the monotonic clock: only then
// may a simulated device sleep real time for what it times on that clock.
bool MachineMonotonicClock();

// 0 on success, like gettimeofday.
int GetTimeOfDay(struct timeval* tv);
time_t Now();

// Seconds and microseconds since an arbitrary start; 0 on success.
int GetMonotonicTime(struct timeval* tv);

// Sets the system clock (settimeofday on the station; journaled, never done,
// in the simulation). 0 on success.
int SetSystemClock(const struct timeval& tv);

}  // namespace VN_Lib

#endif
