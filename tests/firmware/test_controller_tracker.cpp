#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "controller.h"
#include "dac_scale.h"
#include "power_tracker.h"

namespace {

using VN_Lib::ControlConfigType;
using VN_Lib::LoadConfiguration_T;
using VN_Lib::PowerTracker;

ControlConfigType Ratings() {
    ControlConfigType ratings;
    ratings.vmax = 50.0;
    ratings.imax = 10.0;
    ratings.pmax = 400.0;
    return ratings;
}

TEST(DacScaleTest, VoltsMapOntoTheLoadScaleAndStayWithinIt) {
    EXPECT_EQ(VN_Lib::VoltsToDac(0.0, 50.0), 32768);
    EXPECT_EQ(VN_Lib::VoltsToDac(22.0, 50.0), 18351);
    EXPECT_EQ(VN_Lib::VoltsToDac(50.0, 50.0), 0);
    EXPECT_EQ(VN_Lib::VoltsToDac(80.0, 50.0), 0);
    EXPECT_EQ(VN_Lib::VoltsToDac(-50.0, 50.0), 65535);
    EXPECT_EQ(VN_Lib::VoltsToDac(-500.0, 50.0), 65535);
    // A load rated 0 V must not turn arithmetic into undefined conversions.
    EXPECT_EQ(VN_Lib::VoltsToDac(0.0, 0.0), 0);
    EXPECT_EQ(VN_Lib::VoltsToDac(10.0, 0.0), 0);
    EXPECT_EQ(VN_Lib::LimitDac(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(VN_Lib::LimitDac(std::numeric_limits<double>::infinity()), 65535);
    EXPECT_EQ(VN_Lib::LimitDac(-1e300), 0);
    EXPECT_EQ(VN_Lib::Controller::LimitDac(-1), 0);
    EXPECT_EQ(VN_Lib::Controller::LimitDac(70000), 65535);
    EXPECT_EQ(VN_Lib::Controller::LimitDac(1234), 1234);
}

TEST(PowerTrackerTest, StepSizeIsAFractionOfVocWithinItsLimits) {
    EXPECT_EQ(PowerTracker::StepSize(40.0, 0.1, 50.0), 2621);
    EXPECT_EQ(PowerTracker::StepSize(0.1, 0.1, 50.0), 16);
    EXPECT_EQ(PowerTracker::StepSize(1000.0, 0.1, 50.0), 6400);
    EXPECT_EQ(PowerTracker::StepSize(-5.0, 0.1, 50.0), 16);
    EXPECT_EQ(PowerTracker::StepSize(0.0, 0.1, 0.0), 16);
    EXPECT_EQ(PowerTracker::StepSize(40.0, 0.1, 0.0), 6400);
}

class TrackerTest : public ::testing::Test {
protected:
    // Starts at 55 % of a 40 V Voc on a 50 V load: DAC 18351, step -2621.
    void Start(double voc = 40.0) { start = tracker.Reset(voc, ratings, config); }

    ControlConfigType ratings = Ratings();
    LoadConfiguration_T config;
    PowerTracker tracker;
    int start = 0;
};

TEST_F(TrackerTest, ResetStartsAtFiftyFivePercentOfVocTowardsHigherVoltage) {
    Start();
    EXPECT_EQ(start, 18351);
    EXPECT_EQ(tracker.Dac(), 18351);
    EXPECT_EQ(tracker.StepCounts(), -2621);
    EXPECT_EQ(tracker.BestPower(), 0.0);
}

TEST_F(TrackerTest, RisingPowerKeepsTheDirectionAndAClearFallReversesWithHalfTheStep) {
    Start();
    ASSERT_EQ(tracker.Step(30.0, 5.0, 40.0, ratings, config), 0);
    EXPECT_EQ(tracker.Dac(), 18351 - 2621);
    EXPECT_DOUBLE_EQ(tracker.BestPower(), 150.0);
    EXPECT_DOUBLE_EQ(tracker.VoltageAtBestPower(), 30.0);

    ASSERT_EQ(tracker.Step(32.0, 4.0, 40.0, ratings, config), 0);
    EXPECT_EQ(tracker.StepCounts(), 1310);
    EXPECT_EQ(tracker.Dac(), 18351 - 2621 + 1310);
    EXPECT_DOUBLE_EQ(tracker.BestPower(), 128.0);
}

TEST_F(TrackerTest, FallsWithinTheNoiseOfAReadingChangeNothing) {
    Start();
    ASSERT_EQ(tracker.Step(30.0, 5.0, 40.0, ratings, config), 0);
    // 0.1 W below 150 W is less than 0.1 % of the power.
    ASSERT_EQ(tracker.Step(30.0, 4.99667, 40.0, ratings, config), 0);
    EXPECT_EQ(tracker.StepCounts(), -2621);
    EXPECT_DOUBLE_EQ(tracker.BestPower(), 150.0);

    // On a load rated for a large current one count of current is worth more
    // than the fall, so it is noise too.
    ratings.imax = 1000.0;
    ASSERT_EQ(tracker.Step(30.0, 4.95, 40.0, ratings, config), 0);
    EXPECT_EQ(tracker.StepCounts(), -2621);
}

TEST_F(TrackerTest, ReversedMinimumStepStaysAtTheMinimum) {
    Start(0.1);
    ASSERT_EQ(tracker.StepCounts(), -16);
    ASSERT_EQ(tracker.Step(30.0, 5.0, 40.0, ratings, config), 0);
    // Half of 16 would be 8: the smallest step the tracker takes is 16.
    ASSERT_EQ(tracker.Step(30.0, 4.0, 40.0, ratings, config), 0);
    EXPECT_EQ(tracker.StepCounts(), 16);
    ASSERT_EQ(tracker.Step(30.0, 3.0, 40.0, ratings, config), 0);
    EXPECT_EQ(tracker.StepCounts(), -16);
}

TEST_F(TrackerTest, NoCurrentStepsTowardsMoreCurrentUpToTheTrackingLimit) {
    Start();
    int steps = 0;
    while (tracker.Dac() < PowerTracker::MaxDac && steps < 20) {
        ASSERT_EQ(tracker.Step(39.0, 0.01, 40.0, ratings, config), 0);
        ASSERT_LE(tracker.Dac(), PowerTracker::MaxDac);
        ++steps;
    }
    EXPECT_EQ(steps, 10);  // 18351 + 9 x 2621 = 41940; the tenth step would pass 42592
    EXPECT_EQ(tracker.Dac(), 42592);
    EXPECT_EQ(tracker.StepCounts(), -2621);
    EXPECT_DOUBLE_EQ(tracker.VoltageAtBestPower(), 39.0);
}

TEST_F(TrackerTest, VoltageBelowTheMinimumFractionStepsBackUpToOpenCircuit) {
    Start();
    for (int i = 0; i < 8; ++i) ASSERT_EQ(tracker.Step(10.0, 5.0, 40.0, ratings, config), 0);
    EXPECT_EQ(tracker.Dac(), 0);
    EXPECT_EQ(tracker.StepCounts(), 2621);
    // The floor is a fraction of the full scale as well.
    config.ptrackVmin = 0.0;
    Start();
    ASSERT_EQ(tracker.Step(0.04, 5.0, 40.0, ratings, config), 0);
    EXPECT_EQ(tracker.StepCounts(), -2621);
}

TEST_F(TrackerTest, OverPowerChangesNothing) {
    Start();
    ASSERT_EQ(tracker.Step(30.0, 5.0, 40.0, ratings, config), 0);
    const int dac = tracker.Dac();
    // Up to 1.02 x 400 W = 408 W is allowed.
    EXPECT_EQ(tracker.Step(40.0, 10.19, 40.0, ratings, config), 0);
    Start();
    ASSERT_EQ(tracker.Step(30.0, 5.0, 40.0, ratings, config), 0);
    EXPECT_EQ(tracker.Step(-40.0, 10.3, 40.0, ratings, config), PowerTracker::ErrOverPower);
    EXPECT_EQ(tracker.Dac(), dac);
    EXPECT_EQ(tracker.StepCounts(), -2621);
    EXPECT_DOUBLE_EQ(tracker.BestPower(), 150.0);
}

}  // namespace
