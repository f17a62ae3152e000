#ifndef VN_LIB_TIMERS_H
#define VN_LIB_TIMERS_H

// Both timers, for code that uses them together.
#include "long_timer.h"
#include "short_timer.h"

#endif
