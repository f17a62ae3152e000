#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>

#include "clock.h"
#include "timers.h"

namespace {

// A clock the test moves by hand; every read also advances it by `step` µs.
std::atomic<int64_t> fakeMicros{0};
std::atomic<int64_t> fakeStep{0};
std::atomic<int> fakeReads{0};
std::atomic<int> jumpBackAtRead{-1};

void FakeClock(struct timeval* tv) {
    int read = ++fakeReads;
    if (read == jumpBackAtRead.load()) fakeMicros -= int64_t(3600) * 1000000;
    int64_t now = fakeMicros.fetch_add(fakeStep.load());
    tv->tv_sec = static_cast<time_t>(now / 1000000);
    tv->tv_usec = static_cast<suseconds_t>(now % 1000000);
}

class TimersTest : public ::testing::Test {
protected:
    void SetUp() override {
        // An odd start just before a second boundary catches part-wise subtraction.
        fakeMicros = int64_t(1700000000) * 1000000 + 999999;
        fakeStep = 0;
        fakeReads = 0;
        jumpBackAtRead = -1;
        VN_Lib::SetClockFunction(FakeClock);
        VN_Lib::SetMonotonicClockFunction(FakeClock);
    }
    void TearDown() override {
        VN_Lib::SetClockFunction(nullptr);
        VN_Lib::SetMonotonicClockFunction(nullptr);
    }

    void Advance(int64_t micros) { fakeMicros += micros; }
};

TEST_F(TimersTest, LongTimerAlarmFiresAtItsTimeAndStaysFiredUntilRestart) {
    LongTimer timer;
    timer.SetAlarm(500UL);
    timer.EnableAlarm();
    Advance(499999);
    EXPECT_EQ(timer.ReadTimerMilliSeconds(), 499);
    EXPECT_EQ(timer.CheckAlarm(), 0);
    Advance(1);
    EXPECT_EQ(timer.CheckAlarm(), 1);
    Advance(10000);
    EXPECT_EQ(timer.CheckAlarm(), 1);
    // Even a clock set back does not un-fire it; only Restart does.
    Advance(-20000000);
    EXPECT_EQ(timer.CheckAlarm(), 1);
    timer.Restart();
    EXPECT_EQ(timer.CheckAlarm(), 0);
    Advance(500000);
    EXPECT_EQ(timer.CheckAlarm(), 1);
}

TEST_F(TimersTest, LongTimerAlarmDisabledOrNeverEnabledGivesZero) {
    LongTimer never;
    never.SetAlarm(1UL);
    Advance(int64_t(3600) * 1000000);
    EXPECT_EQ(never.CheckAlarm(), 0);

    LongTimer disabled;
    disabled.SetAlarm(1UL);
    disabled.EnableAlarm();
    disabled.DisableAlarm();
    Advance(5000);
    EXPECT_EQ(disabled.CheckAlarm(), 0);
}

TEST_F(TimersTest, LongTimerSetAlarmFromSecondsAndMilliseconds) {
    LongTimer tenSeconds;
    tenSeconds.SetAlarm(10U, 0U);
    tenSeconds.EnableAlarm();
    LongTimer halfSecond;
    halfSecond.SetAlarm(0U, 500U);
    halfSecond.EnableAlarm();

    Advance(499999);
    EXPECT_EQ(halfSecond.CheckAlarm(), 0);
    Advance(1);
    EXPECT_EQ(halfSecond.CheckAlarm(), 1);
    Advance(9999999 - 500000);
    EXPECT_EQ(tenSeconds.CheckAlarm(), 0);
    Advance(1);
    EXPECT_EQ(tenSeconds.CheckAlarm(), 1);
}

TEST_F(TimersTest, LongTimerReadingsTruncateTheWholeElapsedTime) {
    LongTimer timer;
    // One microsecond across a second boundary is neither a millisecond nor a second.
    Advance(1);
    EXPECT_EQ(timer.ReadTimerMilliSeconds(), 0);
    EXPECT_EQ(timer.ReadTimerSeconds(), 0);
    EXPECT_EQ(timer.ReadTimerMicroSeconds(), 1U);
    Advance(1999998);
    EXPECT_EQ(timer.ReadTimerMilliSeconds(), 1999);
    EXPECT_EQ(timer.ReadTimerSeconds(), 1);
    EXPECT_EQ(timer.ReadTimeMicroSeconds(), 999998);
    // A clock set back before the start must not look like a fired alarm.
    timer.Restart();
    timer.SetAlarm(500UL);
    timer.EnableAlarm();
    Advance(-2000000);
    EXPECT_EQ(timer.CheckAlarm(), 0);
    EXPECT_EQ(timer.ReadTimerMilliSeconds(), -2000);
}

TEST_F(TimersTest, LongTimerSaturatesInsteadOfOverflowingOnLongRuns) {
    LongTimer timer;
    Advance(int64_t(40) * 24 * 3600 * 1000000);  // 40 days: more than INT_MAX ms
    EXPECT_EQ(timer.ReadTimerMilliSeconds(), INT_MAX);
    EXPECT_EQ(timer.ReadTimerSeconds(), 40 * 24 * 3600);
}

TEST_F(TimersTest, ShortTimerDelayWaitsAtLeastTheAskedTimeWithoutTouchingItsStart) {
    fakeStep = 7;
    VN_Lib::ShortTimer timer;
    int64_t before = fakeMicros;
    unsigned waited = timer.MicroSecondDelay(100);
    EXPECT_GE(waited, 100U);
    EXPECT_LT(waited, 100U + 2 * 7);
    EXPECT_GE(fakeMicros - before, 100);
    EXPECT_GE(timer.ReadTimerMicroSeconds(), 100U);

    EXPECT_GE(timer.MilliSecondDelay(2), 2000U);
    fakeStep = 50000;
    EXPECT_GE(timer.SecondDelay(1), 1000000U);
}

TEST_F(TimersTest, ShortTimerDelayEndsWhenTheClockIsSetBackDuringIt) {
    fakeStep = 10;
    jumpBackAtRead = 5;
    VN_Lib::ShortTimer timer;
    unsigned waited = timer.MicroSecondDelay(1000);
    EXPECT_GE(waited, 1000U);
    // Bounded by the asked time, not by the hour the clock jumped back.
    EXPECT_LT(fakeReads.load(), 200);
}

TEST_F(TimersTest, ShortTimerAlarmCountsMicroseconds) {
    VN_Lib::ShortTimer timer;
    timer.SetAlarm(250UL);
    EXPECT_EQ(timer.CheckAlarm(), 0);
    timer.EnableAlarm();
    Advance(249);
    EXPECT_EQ(timer.CheckAlarm(), 0);
    Advance(1);
    EXPECT_EQ(timer.CheckAlarm(), 1);
    timer.Restart();
    EXPECT_EQ(timer.CheckAlarm(), 0);
}

TEST(ShortTimerWallClockTest, MilliSecondDelayTakesAtLeastThatLong) {
    VN_Lib::ShortTimer timer;
    auto begin = std::chrono::steady_clock::now();
    timer.MilliSecondDelay(3);
    auto took = std::chrono::steady_clock::now() - begin;
    EXPECT_GE(std::chrono::duration_cast<std::chrono::microseconds>(took).count(), 2900);
}

}  // namespace
