// The controller's two kinds of time: the offline retry is an interval and
// comes on time whatever the time of day does; the sampler's grid and the
// voltage profile are schedules on the time of day, also past 2038, and
// follow the time of day when it is set under them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/data_system.h"
#include "channels/module_channel.h"
#include "common/controller_logs.h"
#include "schedule/data_sampler.h"
#include "test_clocks.h"
#include "test_support.h"
#include "utilities.h"

using VN_Test::TestClocks;

namespace {

const int64_t SecondUs = 1000000;
const int64_t HourUs = 3600 * SecondUs;
const int64_t DayUs = 24 * HourUs;

// A zone with daylight saving, so local midnight is not a UTC one.
class LocalZoneTest : public ::testing::Test {
protected:
    LocalZoneTest() {
        const char* zone = std::getenv("TZ");
        if (zone != nullptr) previousZone = std::make_unique<std::string>(zone);
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
        for (VN_Lib::Log* log : logs) {
            wasEnabled.push_back(log->IsEnabled());
            log->Disable();
        }
    }
    ~LocalZoneTest() override {
        for (size_t i = 0; i < logs.size(); ++i) {
            if (wasEnabled[i]) logs[i]->Enable();
        }
        if (previousZone) {
            setenv("TZ", previousZone->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }


    TestClocks clocks;
    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir workingDir{dir.Path()};
    std::unique_ptr<std::string> previousZone;
    const std::vector<VN_Lib::Log*> logs = {&MsgLog, &ErrMsgLog, &DebugLog};
    std::vector<bool> wasEnabled;
};

// One active data source (id 1) that is offline and cannot come back: every
// retry prints its offline line.
class OfflineRetryTest : public LocalZoneTest {
protected:
    OfflineRetryTest() {
        system.offlineRetryInterval = 30;
        system.dataSources[1].SetActiveState(true);
        system.dataSources[1].SetOnlineState(false);
    }
    bool Retried() {
        testing::internal::CaptureStdout();
        system.SampleDataChannels();
        return testing::internal::GetCapturedStdout().find("in GoOnline()") != std::string::npos;
    }

    VN_Sample::DataSystem system;
};

TEST_F(OfflineRetryTest, RetryComesAfterItsIntervalWhenTheClockIsSetBack) {
    TestClocks::ShiftTimeOfDay(-HourUs);
    TestClocks::Elapse(29 * SecondUs);
    EXPECT_FALSE(Retried());
    TestClocks::Elapse(SecondUs);
    EXPECT_TRUE(Retried()) << "the retry waits for the clock to catch up";
    EXPECT_FALSE(Retried());
}

TEST_F(OfflineRetryTest, RetryWaitsItsIntervalWhenTheClockIsSetForward) {
    TestClocks::ShiftTimeOfDay(HourUs);
    TestClocks::Elapse(SecondUs);
    EXPECT_FALSE(Retried()) << "the retry came at once";
    TestClocks::Elapse(29 * SecondUs);
    EXPECT_TRUE(Retried());
}

using TimeOfDaySchedule = LocalZoneTest;

TEST_F(TimeOfDaySchedule, SampleGridFollowsTheTimeOfDay) {
    TestClocks::SetTimeOfDay(VN_Test::LocalTime(2024, 6, 10, 12, 0, 0));
    VN_Sample::DataSystem system;
    VN_Sample::DataSampler sampler;
    sampler.SetDataSourceSystem(&system);
    ASSERT_EQ(0, sampler.SetSamplingPeriod(10));
    sampler.ResetTimeDependancies();
    const time_t first = sampler.NextSampleTime();
    EXPECT_EQ(VN_Test::LocalTime(2024, 6, 10, 12, 0, 10), first);

    // Set forward an hour with no time passing: by the time of day the
    // sample is due, and the grid moves on past the new time.
    TestClocks::ShiftTimeOfDay(HourUs);
    sampler.Update();
    EXPECT_EQ(VN_Test::LocalTime(2024, 6, 10, 13, 0, 10), sampler.NextSampleTime());
}

// 2040 is past the end of a 32-bit time_t.
TEST_F(TimeOfDaySchedule, TimesAfter2038) {
    const time_t noon = VN_Test::LocalTime(2040, 6, 1, 12);
    ASSERT_GT(noon, time_t(INT32_MAX));
    time_t t = noon;
    EXPECT_EQ(VN_Test::LocalTime(2040, 6, 1, 0), VN_Lib::date(&t));

    TestClocks::SetTimeOfDay(noon);
    VN_Sample::ModuleChannel channel;
    channel.SetTrackingMode(VN_Sample::TrackProfile);
    channel.voltageProfile.push_back({VN_Lib::make_tod(6, 0, 0), 12.0});
    channel.voltageProfile.push_back({VN_Lib::make_tod(18, 0, 0), 0.0});
    double volts = -1.0;
    ASSERT_TRUE(channel.TimeToUpdateLoadProfile(&volts));
    EXPECT_EQ(12.0, volts);
    EXPECT_EQ(VN_Test::LocalTime(2040, 6, 1, 18), channel.nextProfileTime);
    TestClocks::SetTimeOfDay(VN_Test::LocalTime(2040, 6, 1, 18));
    ASSERT_TRUE(channel.TimeToUpdateLoadProfile(&volts));
    EXPECT_EQ(0.0, volts);
    EXPECT_EQ(VN_Test::LocalTime(2040, 6, 2, 6), channel.nextProfileTime);

    VN_Sample::DataSampler sampler;
    ASSERT_EQ(0, sampler.SetAveragePeriod(900));
    ASSERT_EQ(0, sampler.SetStoreStartTime(6, 0, 0));
    ASSERT_EQ(0, sampler.SetStoreStopTime(20, 0, 0));
    time_t from = VN_Test::LocalTime(2040, 6, 1, 12, 5, 9);
    EXPECT_EQ(VN_Test::LocalTime(2040, 6, 1, 12, 15), sampler.GetNextAvgTime(&from));
    from = VN_Test::LocalTime(2040, 6, 1, 20, 0, 1);
    EXPECT_EQ(VN_Test::LocalTime(2040, 6, 2, 6, 0), sampler.GetNextAvgTime(&from));
    // The default curve interval of 61 minutes counts from local midnight.
    from = noon;
    EXPECT_EQ(VN_Test::LocalTime(2040, 6, 1, 12, 12), sampler.GetNextCurveTime(&from));
}

// A running schedule (1 s samples, 10 s averages stored all day, curves every
// 10 minutes) whose time of day an operator, NTP or the set-clock command sets.
class ClockSetTest : public LocalZoneTest, public ::testing::WithParamInterface<int64_t> {
protected:
    ClockSetTest() {
        TestClocks::SetTimeOfDay(VN_Test::LocalTime(2024, 6, 10, 12, 0, 0));
        sampler.SetDataSourceSystem(&system);
        sampler.SetStoreStopTime(23, 59, 59);
        sampler.SetAveragePeriod(10);
        sampler.SetCurveInterval(600);
        sampler.ResetTimeDependancies();
        sampler.Update();
    }
    // Lets seconds pass with a scheduler pass every second; the average lines stored meanwhile.
    size_t Run(int seconds) {
        const size_t before = StoredLines();
        for (int second = 0; second < seconds; ++second) {
            TestClocks::Elapse(SecondUs);
            sampler.Update();
        }
        return StoredLines() - before;
    }
    size_t StoredLines() const {
        size_t lines = 0;
        for (const auto& file : std::filesystem::directory_iterator(dir.File("data/vnd"))) {
            const std::string text = VN_Test::ReadFile(file.path().string());
            lines += static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) - 3;
        }
        return lines;
    }

    TestClocks frozen{TestClocks::Frozen};
    VN_Sample::DataSystem system;
    VN_Sample::DataSampler sampler;
};

// Set forward, the averages missed are not stored one per sample; set back,
// nothing waits for the old time to come round again.
TEST_P(ClockSetTest, EveryGridGoesOnFromTheNewTime) {
    const size_t lines = Run(60);
    EXPECT_GE(lines, 5u);
    TestClocks::ShiftTimeOfDay(GetParam());
    EXPECT_LE(Run(60), lines + 1) << "a burst of stored lines";
    EXPECT_GE(Run(60), lines) << "storing stalled";
    const time_t now = VN_Lib::Now();
    EXPECT_LE(sampler.NextSampleTime(), now + 1);
    EXPECT_LE(sampler.NextAverageTime(), now + 10);
    EXPECT_LE(sampler.NextCurveTime(), now + 600);
    EXPECT_GT(sampler.NextCurveTime(), now);
}

INSTANTIATE_TEST_SUITE_P(ForwardAndBack, ClockSetTest, ::testing::Values(HourUs, DayUs, -HourUs, -DayUs));

// A daily window follows the time of day too: set back into the window,
// storing goes on at once instead of the next morning.
TEST_F(ClockSetTest, StoringResumesWhenTheClockIsSetBackIntoTheWindow) {
    sampler.SetStoreStartTime(6, 0, 0);
    sampler.SetStoreStopTime(20, 0, 0);
    TestClocks::SetTimeOfDay(VN_Test::LocalTime(2024, 6, 10, 20, 0, 30));
    sampler.Update();
    EXPECT_EQ(VN_Test::LocalTime(2024, 6, 11, 6, 0, 0), sampler.NextAverageTime());
    TestClocks::ShiftTimeOfDay(-HourUs);
    EXPECT_GE(Run(30), 2u);
}

}  // namespace
