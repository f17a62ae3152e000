#ifndef VN_CONTROLLER_LOOP_PACING_H
#define VN_CONTROLLER_LOOP_PACING_H

#include <sys/time.h>

#include <chrono>
#include <ctime>

// How long the main loop sleeps after a pass (unless woken): until the
// schedule's due time (on the time of day) or the alive LED's next toggle (on
// the monotonic clock), whichever comes first. At least LoopYield, so the unit
// program and the other threads get the processor and systemMutex even while
// work is due at once; at most MaxLoopSleep, so a time of day set forward (or
// back) is noticed soon.
constexpr std::chrono::microseconds LoopYield{1000};
constexpr std::chrono::microseconds MaxLoopSleep{100000};

std::chrono::microseconds LoopSleep(time_t due, const struct timeval& timeOfDay, long long pulseDueInUs);

#endif
