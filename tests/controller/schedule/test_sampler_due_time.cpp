// When the schedule next has work, which the main loop sleeps until.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <limits>

#include "acquisition/data_system.h"
#include "schedule/data_sampler.h"
#include "test_clocks.h"
#include "test_support.h"

namespace {

using VN_Sample::DataSampler;

TEST(SamplerDueTime, FollowsSamplesCurveRunsAndCalibrationMode) {
    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir workingDir(dir.Path());
    VN_Test::TestClocks clocks(VN_Test::TestClocks::Frozen);
    DataSampler sampler;
    EXPECT_EQ(std::numeric_limits<time_t>::max(), sampler.NextDueTime()) << "nothing runs without a data system";

    VN_Sample::DataSystem system;
    sampler.SetDataSourceSystem(&system);
    const time_t scheduled = std::min(sampler.NextSampleTime(), sampler.NextCurveTime());
    EXPECT_EQ(scheduled, sampler.NextDueTime());

    // A queued run goes on pass after pass, up to and including the pass
    // that closes its last curve.
    sampler.TakeManualCurves({101});
    EXPECT_EQ(0, sampler.NextDueTime());
    ASSERT_EQ(0, sampler.CalibrationModeEnabled(true));
    EXPECT_EQ(sampler.NextSampleTime(), sampler.NextDueTime()) << "calibration mode holds the curves back";
    ASSERT_EQ(0, sampler.CalibrationModeEnabled(false));
    sampler.TakeNextCurve();
    EXPECT_EQ(0, sampler.NextDueTime()) << "the curve taken is still to be closed";
    sampler.TakeNextCurve();
    EXPECT_TRUE(sampler.ManualCurvesComplete());
    EXPECT_EQ(scheduled, sampler.NextDueTime());
}

}  // namespace
