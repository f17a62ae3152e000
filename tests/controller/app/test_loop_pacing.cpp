// How long the controller's main loop sleeps between passes.
#include <gtest/gtest.h>

#include <chrono>
#include <limits>

#include "app/loop_pacing.h"

namespace {

using std::chrono::microseconds;

const time_t Second = 1700000000;
const long long PulseFar = 500000;

struct timeval At(time_t sec, long usec) {
    struct timeval tv = {sec, static_cast<suseconds_t>(usec)};
    return tv;
}

// A sample due at the next whole second is taken on it, not up to a
// sleep's length later, and one due already is taken after the yield only.
TEST(ControllerLoopPacing, WakesOnTheDueSecond) {
    EXPECT_EQ(microseconds(40000), LoopSleep(Second + 1, At(Second, 960000), PulseFar));
    EXPECT_EQ(LoopYield, LoopSleep(Second + 1, At(Second, 999900), PulseFar));
    EXPECT_EQ(LoopYield, LoopSleep(Second, At(Second, 0), PulseFar));
    EXPECT_EQ(LoopYield, LoopSleep(0, At(Second, 500000), PulseFar));
    // The alive LED's toggle may come first.
    EXPECT_EQ(microseconds(20000), LoopSleep(Second + 1, At(Second, 900000), 20000));
    EXPECT_EQ(LoopYield, LoopSleep(Second + 1, At(Second, 100000), -3000));
}

// Nothing due for long, or ever (no data system), or a time of day set back
// by hours: the loop still looks again after MaxLoopSleep, so a time of day
// set forward again is noticed.
TEST(ControllerLoopPacing, SleepIsBoundedWhateverTheDueTime) {
    EXPECT_EQ(MaxLoopSleep, LoopSleep(Second + 1, At(Second, 0), PulseFar));
    EXPECT_EQ(MaxLoopSleep, LoopSleep(Second + 7200, At(Second, 999999), PulseFar));
    EXPECT_EQ(MaxLoopSleep, LoopSleep(std::numeric_limits<time_t>::max(), At(Second, 0), PulseFar));
}

}  // namespace
