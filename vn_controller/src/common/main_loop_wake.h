#ifndef VN_CONTROLLER_MAIN_LOOP_WAKE_H
#define VN_CONTROLLER_MAIN_LOOP_WAKE_H

#include <chrono>

// The main loop sleeps between scheduler steps until its next due time. A
// thread that posts it a request (a flag, a curve run, changed settings or
// channels) wakes it, so the request is handled at once rather than after
// the sleep. The lock behind both is taken last, under any other lock.

// Ends the main loop's current sleep, or the next one when it is awake.
void WakeMainLoop();
// Sleeps at most limit; returns early, true, when woken. A wake posted while
// the loop was awake ends this sleep at once.
bool SleepUntilWoken(std::chrono::microseconds limit);

#endif
