// The main loop's sleep and the wake that other threads post to end it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "common/main_loop_wake.h"
#include "test_support.h"

namespace {

using std::chrono::hours;
using std::chrono::microseconds;
using std::chrono::seconds;

TEST(MainLoopWake, AWakePostedWhileAwakeEndsTheNextSleepOnceOnly) {
    SleepUntilWoken(microseconds(0));  // drop what earlier tests left
    WakeMainLoop();
    WakeMainLoop();
    // A lost wake would leave the loop sleeping out an hour here.
    EXPECT_TRUE(SleepUntilWoken(hours(1)));
    EXPECT_FALSE(SleepUntilWoken(microseconds(1000)));
}

TEST(MainLoopWake, AWakeFromAnotherThreadEndsALongSleep) {
    SleepUntilWoken(microseconds(0));
    std::atomic<bool> done{false};
    std::atomic<bool> woken{false};
    std::thread sleeper([&] {
        woken = SleepUntilWoken(seconds(120));
        done = true;
    });
    WakeMainLoop();
    EXPECT_TRUE(VN_Test::WaitUntil([&] { return done.load(); }, 60000));
    sleeper.join();
    EXPECT_TRUE(woken);
}

}  // namespace
