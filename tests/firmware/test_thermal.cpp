// Fan rule, the slow step-down of the fans and the over-temperature hold,
// driven through the clock seam so the 600 s holds pass without waiting.
#include <gtest/gtest.h>
#include <sys/time.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "clock.h"
#include "thermal.h"

using VN_Lib::ModulePower_T;
using VN_Lib::Thermal;

namespace {

std::atomic<int64_t> nowSeconds{1000000};

void TestClock(struct timeval* tv) {
    tv->tv_sec = static_cast<time_t>(nowSeconds.load());
    tv->tv_usec = 0;
}

class ThermalTest : public ::testing::Test {
protected:
    ThermalTest() {
        nowSeconds.store(1000000);
        VN_Lib::SetClockFunction(TestClock);
        VN_Lib::SetMonotonicClockFunction(TestClock);
    }
    ~ThermalTest() override {
        VN_Lib::SetClockFunction(nullptr);
        VN_Lib::SetMonotonicClockFunction(nullptr);
    }

    static void Advance(int seconds) { nowSeconds += seconds; }
    // The heat-sink temperature whose rule alone asks for this speed.
    static double SinkFor(double percent) { return 25.0 + percent / 2.5; }
};

TEST_F(ThermalTest, FanRuleTakesTheLargestDemandAndNeverGoesBelowTwenty) {
    Thermal thermal;
    std::vector<ModulePower_T> idle = {{1, 38.0, 0.0, 300.0}, {2, 38.0, 0.0, 300.0}};
    EXPECT_FLOAT_EQ(50.0f, thermal.GetNewFanSpeed(45.0, idle));

    // One module at 60 % of its rating, the pair at 30 %: single 60, total 36, sink 12.5.
    std::vector<ModulePower_T> working = {{1, 30.0, 6.0, 300.0}, {2, 38.0, 0.0, 300.0}};
    EXPECT_FLOAT_EQ(60.0f, thermal.GetNewFanSpeed(30.0, working));

    // Both at 75 %: total 90 beats single 75.
    std::vector<ModulePower_T> busy = {{1, 30.0, 7.5, 300.0}, {2, -30.0, 7.5, 300.0}};
    EXPECT_FLOAT_EQ(90.0f, thermal.GetNewFanSpeed(30.0, busy));

    EXPECT_FLOAT_EQ(20.0f, thermal.GetNewFanSpeed(10.0, idle));
    EXPECT_FLOAT_EQ(20.0f, thermal.GetNewFanSpeed(-40.0, {}));
    // A module rated 0 W cannot make the speed infinite or NaN.
    EXPECT_FLOAT_EQ(50.0f, thermal.GetNewFanSpeed(45.0, {{1, 30.0, 5.0, 0.0}}));
}

TEST_F(ThermalTest, FansRiseAtOnceAndStepDownTenPointsAfterSixHundredSeconds) {
    Thermal thermal;
    EXPECT_EQ(Thermal::ErrNoFanCard, thermal.SetFanSpeed(50.0f));

    thermal.UpdateFanSpeed(SinkFor(80.0), {});
    EXPECT_FLOAT_EQ(80.0f, thermal.FanSpeed());

    // The wanted speed drops to 30; the fans hold 80 until 600 s after the raise.
    for (int t = 10; t < 600; t += 10) {
        Advance(10);
        thermal.UpdateFanSpeed(SinkFor(30.0), {});
        ASSERT_FLOAT_EQ(80.0f, thermal.FanSpeed()) << "at " << t << " s";
    }
    std::vector<float> steps;
    for (int i = 0; i < 7; ++i) {
        Advance(10);
        thermal.UpdateFanSpeed(SinkFor(30.0), {});
        steps.push_back(thermal.FanSpeed());
    }
    EXPECT_EQ((std::vector<float>{70.0f, 60.0f, 50.0f, 40.0f, 30.0f, 30.0f, 30.0f}), steps);

    // A new raise restarts the 600 s.
    thermal.UpdateFanSpeed(SinkFor(50.0), {});
    EXPECT_FLOAT_EQ(50.0f, thermal.FanSpeed());
    Advance(590);
    thermal.UpdateFanSpeed(SinkFor(30.0), {});
    EXPECT_FLOAT_EQ(50.0f, thermal.FanSpeed());
    Advance(10);
    thermal.UpdateFanSpeed(SinkFor(30.0), {});
    EXPECT_FLOAT_EQ(40.0f, thermal.FanSpeed());
}

TEST_F(ThermalTest, OverTemperatureHoldsUntilSixHundredSecondsAfterTheLastHotReading) {
    Thermal thermal;
    thermal.CheckHeatsinkTemperature(110.0);
    EXPECT_FALSE(thermal.OverTemperature());
    thermal.CheckHeatsinkTemperature(110.1);
    EXPECT_TRUE(thermal.OverTemperature());

    // Another hot reading at 300 s pushes the end to 900 s.
    Advance(300);
    thermal.CheckHeatsinkTemperature(111.0);
    Advance(300);
    thermal.CheckHeatsinkTemperature(60.0);
    EXPECT_TRUE(thermal.OverTemperature());
    Advance(290);
    thermal.CheckHeatsinkTemperature(60.0);
    EXPECT_TRUE(thermal.OverTemperature());
    Advance(10);
    thermal.CheckHeatsinkTemperature(60.0);
    EXPECT_FALSE(thermal.OverTemperature());

    // Cool readings after the end never bring the hold back.
    Advance(10000);
    thermal.CheckHeatsinkTemperature(60.0);
    EXPECT_FALSE(thermal.OverTemperature());
}

}  // namespace
