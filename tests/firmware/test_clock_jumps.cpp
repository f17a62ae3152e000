// The unit's periods and holds across a change of the time of day: the
// thermal check still comes every 10 s and the over-temperature hold still
// lasts 600 s when the clock is set back or forward by an hour meanwhile.
#include <gtest/gtest.h>

#include <cstdint>

#include "test_clocks.h"
#include "test_support.h"
#include "thermal.h"
#include "unit_program.h"

using VN_Test::TestClocks;

namespace {

const int64_t SecondUs = 1000000;
const int64_t HourUs = 3600 * SecondUs;

TEST(UnitClockJumps, OverTemperatureHoldLastsSixHundredSecondsAcrossAClockChange) {
    TestClocks clocks(TestClocks::Frozen);
    VN_Lib::Thermal setBack;
    setBack.CheckHeatsinkTemperature(111.0);
    TestClocks::Elapse(300 * SecondUs);
    TestClocks::ShiftTimeOfDay(-HourUs);
    TestClocks::Elapse(299 * SecondUs);
    setBack.CheckHeatsinkTemperature(30.0);
    EXPECT_TRUE(setBack.OverTemperature());
    TestClocks::Elapse(SecondUs);
    setBack.CheckHeatsinkTemperature(30.0);
    EXPECT_FALSE(setBack.OverTemperature()) << "the hold waits for the clock to catch up";

    VN_Lib::Thermal setForward;
    setForward.CheckHeatsinkTemperature(111.0);
    TestClocks::ShiftTimeOfDay(HourUs);
    TestClocks::Elapse(SecondUs);
    setForward.CheckHeatsinkTemperature(30.0);
    EXPECT_TRUE(setForward.OverTemperature()) << "the hold ended at once";
}

class UnitPeriodTest : public ::testing::Test {
protected:
    void SetUp() override {
        VN_Test::WriteFile(dir.File("hw_config.xml"), "<HardwareConfiguration version=\"1\"/>");
        testing::internal::CaptureStdout();
        program.Start();
    }
    void TearDown() override { testing::internal::GetCapturedStdout(); }

    // The first thermal check lifts the fans from 0 to their 20 % minimum.
    bool ThermalCheckRan() { return program.Model().ThermalState().FanSpeed() > 0.0f; }

    TestClocks clocks;
    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir workingDir{dir.Path()};
    UnitProgram program;
};

TEST_F(UnitPeriodTest, ThermalCheckComesAfterTenSecondsWhenTheClockIsSetBack) {
    TestClocks::ShiftTimeOfDay(-HourUs);
    TestClocks::Elapse(9 * SecondUs);
    program.MainLoopPass();
    EXPECT_FALSE(ThermalCheckRan());
    TestClocks::Elapse(SecondUs);
    program.MainLoopPass();
    EXPECT_TRUE(ThermalCheckRan());
}

TEST_F(UnitPeriodTest, ThermalCheckWaitsItsTenSecondsWhenTheClockIsSetForward) {
    TestClocks::ShiftTimeOfDay(HourUs);
    TestClocks::Elapse(SecondUs);
    program.MainLoopPass();
    EXPECT_FALSE(ThermalCheckRan());
}

}  // namespace
