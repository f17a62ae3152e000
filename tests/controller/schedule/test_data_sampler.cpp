#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "acquisition/data_system.h"
#include "clock.h"
#include "common/controller_logs.h"
#include "common/controller_mutexes.h"
#include "schedule/data_sampler.h"
#include "schedule/status.h"
#include "test_support.h"

namespace {

using VN_Sample::DataSampler;
using VN_Sample::DataSystem;
using VN_Sample::IvCurve;
using VN_Sample::Status;

std::atomic<time_t>& FixedTime() {
    static std::atomic<time_t> t{0};
    return t;
}

void FixedClock(struct timeval* tv) {
    tv->tv_sec = FixedTime().load();
    tv->tv_usec = 0;
}

// The monotonic clock moves on with the fixed time: a test that sets the
// time forward lets that much time pass (a stalled pass), it does not set
// the clock.
void FollowingMonotonicClock(struct timeval* tv) {
    struct timespec now = {0, 0};
    clock_gettime(CLOCK_MONOTONIC, &now);
    tv->tv_sec = now.tv_sec + FixedTime().load();
    tv->tv_usec = now.tv_nsec / 1000;
}


// A sampler in a scratch station folder, on UTC and a clock the test sets.
class SamplerTest : public ::testing::Test {
protected:
    SamplerTest() : workingDir(dir.Path()) {
        const char* zone = std::getenv("TZ");
        hadZone = zone != nullptr;
        if (hadZone) savedZone = zone;
        setenv("TZ", "UTC", 1);
        tzset();
        FixedTime().store(VN_Test::UtcTime(2012, 7, 4, 13, 5, 9));
        VN_Lib::SetClockFunction(FixedClock);
        VN_Lib::SetMonotonicClockFunction(FollowingMonotonicClock);
        for (VN_Lib::Log* log : logs) {
            wasEnabled.push_back(log->IsEnabled());
            log->Disable();
        }
    }
    ~SamplerTest() override {
        for (size_t i = 0; i < logs.size(); ++i) {
            if (wasEnabled[i]) logs[i]->Enable();
        }
        VN_Lib::SetClockFunction(nullptr);
        VN_Lib::SetMonotonicClockFunction(nullptr);
        if (hadZone) {
            setenv("TZ", savedZone.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

    void SetTime(time_t t) { FixedTime().store(t); }
    std::string DataFile(const std::string& name) const { return dir.File("data/vnd/" + name); }
    std::string Journal() const { return VN_Test::ReadFile(dir.File("shell_journal.log")); }
    // A sampler built now, attached to an empty data system.
    std::unique_ptr<DataSampler> AttachedSampler() {
        auto sampler = std::make_unique<DataSampler>();
        sampler->SetDataSourceSystem(&system);
        return sampler;
    }

    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir workingDir;
    DataSystem system;
    bool hadZone = false;
    std::string savedZone;
    const std::vector<VN_Lib::Log*> logs = {&MsgLog, &ErrMsgLog, &DebugLog};
    std::vector<bool> wasEnabled;
};

using DataSamplerSchedule = SamplerTest;

TEST_F(DataSamplerSchedule, DefaultStoringWindowPutsEveryAverageAtTheNextMidnight) {
    DataSampler sampler;
    const time_t midnight = VN_Test::UtcTime(2012, 7, 5, 0, 0, 0);
    EXPECT_EQ(midnight, sampler.NextAverageTime());
    EXPECT_EQ(midnight, sampler.status.NextAverageTime);

    time_t from = VN_Test::UtcTime(2012, 7, 4, 0, 0, 0);
    EXPECT_EQ(midnight, sampler.GetNextAvgTime(&from));
    from = midnight;
    EXPECT_EQ(VN_Test::UtcTime(2012, 7, 6, 0, 0, 0), sampler.GetNextAvgTime(&from));
}

TEST_F(DataSamplerSchedule, DefaultCurveIntervalDriftsThroughTheDayAndRestartsAtMidnight) {
    DataSampler sampler;
    time_t t = VN_Test::UtcTime(2012, 7, 4, 0, 0, 0);
    for (int run = 1; run <= 23; ++run) {
        t = sampler.GetNextCurveTime(&t);
        ASSERT_EQ(VN_Test::UtcTime(2012, 7, 4, run, run, 0), t) << "run " << run;
    }
    t = sampler.GetNextCurveTime(&t);
    EXPECT_EQ(VN_Test::UtcTime(2012, 7, 5, 0, 0, 0), t);
    EXPECT_EQ(t, sampler.NextCurveTime());
    EXPECT_EQ(t, sampler.status.NextCurveTime);
}

TEST_F(DataSamplerSchedule, CurveWindowStartIsUsedAndStopEdgeIsInclusive) {
    DataSampler sampler;
    sampler.SetCurveStartTime(6, 0, 0);
    sampler.SetCurveStopTime(18, 0, 0);
    EXPECT_EQ(0, sampler.SetCurveInterval(3600));

    time_t from = VN_Test::UtcTime(2012, 7, 4, 5, 0, 0);
    EXPECT_EQ(VN_Test::UtcTime(2012, 7, 4, 6, 0, 0), sampler.GetNextCurveTime(&from));
    from = VN_Test::UtcTime(2012, 7, 4, 18, 0, 0);
    EXPECT_EQ(VN_Test::UtcTime(2012, 7, 5, 6, 0, 0), sampler.GetNextCurveTime(&from));
    from = VN_Test::UtcTime(2012, 7, 4, 17, 59, 59);
    EXPECT_EQ(VN_Test::UtcTime(2012, 7, 4, 18, 0, 0), sampler.GetNextCurveTime(&from));
}

// Across the spring change to summer time (a 23-hour day) the daily line
// stays at local midnight and curve runs keep their grid from local midnight.
TEST_F(DataSamplerSchedule, DaylightSavingChangeKeepsTheNextDaysWindowAtLocalMidnight) {
    VN_Test::ScopedTimeZone zone("Europe/Zurich");
    DataSampler sampler;
    struct tm local = {};
    local.tm_year = 2012 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 25;
    local.tm_isdst = -1;
    const time_t changeDay = mktime(&local);
    local.tm_mday = 26;
    local.tm_isdst = -1;
    const time_t nextDay = mktime(&local);
    ASSERT_EQ(23 * 3600, nextDay - changeDay);

    time_t from = changeDay + 60;
    EXPECT_EQ(nextDay, sampler.GetNextAvgTime(&from));
    // Curves keep 3660 s steps counted from the day's midnight.
    time_t t = changeDay;
    for (int run = 1; run <= 22; ++run) t = sampler.GetNextCurveTime(&t);
    EXPECT_EQ(changeDay + 22 * 3660, t);
    // A window closing at 20:00 local reopens at the next local midnight.
    sampler.SetCurveStopTime(20, 0, 0);
    from = changeDay + 21 * 3600;
    EXPECT_EQ(nextDay, sampler.GetNextCurveTime(&from));
}

TEST_F(DataSamplerSchedule, ZeroPeriodsAreRefusedAndSettingsRescheduleFromNow) {
    DataSampler sampler;
    const time_t built = sampler.NextSampleTime();
    EXPECT_EQ(DataSampler::ErrZeroSamplePeriod, sampler.SetSamplingPeriod(0));
    time_t now = built + 5;
    EXPECT_EQ(built + 6, sampler.UpdateNextSampleTime(&now));

    // Whole-day storing window: the 100 s grid after 13:05:09 is 13:06:40.
    sampler.SetStoreStopTime(23, 59, 59);
    EXPECT_EQ(VN_Test::UtcTime(2012, 7, 4, 13, 6, 40), sampler.NextAverageTime());
    EXPECT_EQ(DataSampler::ErrZeroAveragePeriod, sampler.SetAveragePeriod(0));
    EXPECT_EQ(VN_Test::UtcTime(2012, 7, 4, 13, 6, 40), sampler.NextAverageTime());
    EXPECT_EQ(0, sampler.SetAveragePeriod(600));
    EXPECT_EQ(VN_Test::UtcTime(2012, 7, 4, 13, 10, 0), sampler.NextAverageTime());

    const time_t curve = sampler.NextCurveTime();
    EXPECT_EQ(0, sampler.SetCurveInterval(0));
    EXPECT_EQ(curve, sampler.NextCurveTime());
}

using DataSamplerUpdate = SamplerTest;

TEST_F(DataSamplerUpdate, FirstPassSamplesAtOnceAndMissedSamplesAreSkipped) {
    const time_t built = FixedTime().load();
    auto sampler = AttachedSampler();
    EXPECT_EQ("Unknown", sampler->status.GetStateString());

    EXPECT_EQ(0, sampler->Update());
    EXPECT_EQ(built + 1, sampler->NextSampleTime());
    EXPECT_EQ("Idle", sampler->status.GetStateString());

    EXPECT_EQ(0, sampler->Update());
    EXPECT_EQ(built + 1, sampler->NextSampleTime());

    SetTime(built + 10);
    sampler->Update();
    EXPECT_EQ(built + 11, sampler->NextSampleTime());
}

size_t LineCount(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST_F(DataSamplerUpdate, AveragesCatchUpOneGridStepAndOneStoredLinePerSample) {
    auto sampler = AttachedSampler();
    sampler->SetStoreStopTime(23, 59, 59);
    ASSERT_EQ(VN_Test::UtcTime(2012, 7, 4, 13, 6, 40), sampler->NextAverageTime());

    SetTime(VN_Test::UtcTime(2012, 7, 4, 13, 20, 0));
    EXPECT_EQ(0, sampler->Update());
    EXPECT_EQ(VN_Test::UtcTime(2012, 7, 4, 13, 8, 20), sampler->NextAverageTime());
    SetTime(VN_Test::UtcTime(2012, 7, 4, 13, 20, 1));
    EXPECT_EQ(0, sampler->Update());
    EXPECT_EQ(VN_Test::UtcTime(2012, 7, 4, 13, 10, 0), sampler->NextAverageTime());
    const std::string text = VN_Test::ReadFile(DataFile("vn07042012.vnd"));
    EXPECT_EQ(3u + 2u, LineCount(text)) << text;
    EXPECT_NE(std::string::npos, text.find("\n07/04/2012,13:20:01\n")) << text;

    // Calibration mode averages on but stores nothing.
    sampler->CalibrationModeEnabled(true);
    SetTime(VN_Test::UtcTime(2012, 7, 4, 13, 20, 2));
    sampler->Update();
    EXPECT_EQ(VN_Test::UtcTime(2012, 7, 4, 13, 11, 40), sampler->NextAverageTime());
    EXPECT_EQ(text, VN_Test::ReadFile(DataFile("vn07042012.vnd")));
}

TEST_F(DataSamplerUpdate, RecordReadsAreSafeForAReaderHoldingOnlyRecordMutex) {
    system.moduleChannels[1].sample.name = "South 1";
    system.temperatureChannels[9];
    auto sampler = AttachedSampler();
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done.load()) {
            std::lock_guard<std::mutex> lock(recordMutex);
            std::string text;
            DataSampler::Record.GetXmlString(text, VN_Sample::SampleRecord);
            EXPECT_NE(std::string::npos, text.find("</Sample>"));
        }
    });
    for (int pass = 0; pass < 200; ++pass) {
        SetTime(FixedTime().load() + 1);
        sampler->Update();
        if (pass % 50 == 0) sampler->ResetRecord();
    }
    done.store(true);
    reader.join();
}

TEST_F(DataSamplerUpdate, MissedCurveRunsCollapseIntoOne) {
    auto sampler = AttachedSampler();
    ASSERT_EQ(VN_Test::UtcTime(2012, 7, 4, 13, 13, 0), sampler->NextCurveTime());

    SetTime(VN_Test::UtcTime(2012, 7, 4, 17, 0, 0));
    sampler->Update();
    EXPECT_EQ(VN_Test::UtcTime(2012, 7, 4, 17, 17, 0), sampler->NextCurveTime());
    EXPECT_TRUE(sampler->AutoCurvesComplete());
}

TEST_F(DataSamplerUpdate, CalibrationModeHoldsCurveRunsUntilItEnds) {
    auto sampler = AttachedSampler();
    EXPECT_EQ(0, sampler->CalibrationModeEnabled(true));
    EXPECT_TRUE(sampler->CalibrationMode());

    SetTime(VN_Test::UtcTime(2012, 7, 4, 13, 30, 0));
    sampler->Update();
    EXPECT_EQ(VN_Test::UtcTime(2012, 7, 4, 13, 13, 0), sampler->NextCurveTime());
    EXPECT_EQ(VN_Test::UtcTime(2012, 7, 4, 13, 30, 1), sampler->NextSampleTime());

    EXPECT_EQ(0, sampler->CalibrationModeEnabled(false));
    sampler->Update();
    EXPECT_EQ(VN_Test::UtcTime(2012, 7, 4, 14, 14, 0), sampler->NextCurveTime());
}

TEST_F(DataSamplerUpdate, StatusWritesAreSafeForAReaderHoldingOnlyStatusMutex) {
    auto sampler = AttachedSampler();
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done.load()) {
            std::lock_guard<std::mutex> lock(statusMutex);
            const Status copy = sampler->status;
            EXPECT_NE("", copy.GetStateString());
        }
    });
    for (int pass = 0; pass < 200; ++pass) {
        SetTime(FixedTime().load() + 200);
        sampler->Update();
    }
    done.store(true);
    reader.join();
}

using DataSamplerCurves = SamplerTest;

TEST_F(DataSamplerCurves, ManualRunCompletesOnlyAfterItsLastCurveIsClosed) {
    // Without data sources every take fails (25), so nothing is written.
    system.moduleChannels[1];
    system.moduleChannels[2];
    auto sampler = AttachedSampler();

    sampler->TakeManualCurves({1, 2});
    EXPECT_FALSE(sampler->ManualCurvesComplete());
    EXPECT_EQ(DataSampler::ErrNoCurveChannel, sampler->TakeNextCurve());  // begins 1
    EXPECT_EQ(DataSystem::ErrNoDataSource, sampler->TakeNextCurve());     // closes 1, begins 2
    EXPECT_FALSE(sampler->ManualCurvesComplete());
    EXPECT_EQ(DataSystem::ErrNoDataSource, sampler->TakeNextCurve());  // closes 2
    EXPECT_TRUE(sampler->ManualCurvesComplete());

    const VN_Sample::CurveQueue queue = sampler->ManualCurvesQueue();
    ASSERT_EQ(2u, queue.entries.size());
    EXPECT_EQ(VN_Sample::CurveFailed, queue.entries[1].curve_state);
}

TEST_F(DataSamplerCurves, NothingPendingIs701AndManualRunsWithoutCurvesStillComplete) {
    auto sampler = AttachedSampler();
    EXPECT_EQ(DataSampler::ErrNoCurveChannel, sampler->TakeNextCurve());
    EXPECT_TRUE(sampler->ManualCurvesComplete());
    EXPECT_TRUE(sampler->AutoCurvesComplete());

    sampler->TakeManualCurves({});
    EXPECT_FALSE(sampler->ManualCurvesComplete());
    sampler->TakeNextCurve();
    EXPECT_TRUE(sampler->ManualCurvesComplete());

    sampler->TakeManualCurves({99});
    sampler->TakeNextCurve();
    EXPECT_FALSE(sampler->ManualCurvesComplete());
    sampler->TakeNextCurve();
    EXPECT_TRUE(sampler->ManualCurvesComplete());
}

class DataSamplerCurveFiles : public SamplerTest {
protected:
    DataSamplerCurveFiles() {
        mkdir(dir.File("data").c_str(), 0755);
        mkdir(curveDir.c_str(), 0755);
        curve.Name = "South row 3";
        curve.Date_Time = VN_Test::UtcTime(2012, 7, 4, 13, 5, 9);
        VN_Sample::IvPointType point = {};
        point.volts = 30.0;
        point.amps = 8.0;
        curve.AddPoint(point);
    }

    std::string curveDir = dir.File("data/curves");
    IvCurve curve;
};

TEST_F(DataSamplerCurveFiles, KnownChannelsStoredUnderTimeStampAndLastCurveNames) {
    system.moduleChannels[3].curve = curve;
    auto sampler = AttachedSampler();
    EXPECT_EQ(0, sampler->StoreCurves({7, 3}));
    EXPECT_FALSE(VN_Test::FileExists(curveDir + "/last_iv_7.xml"));
    EXPECT_EQ("Idle", sampler->status.GetStateString());

    const std::string text = VN_Test::ReadFile(curveDir + "/03_07042012_130509.xml");
    EXPECT_EQ(0u, text.find("<?xml version=\"1.0\" ?>\n<IV_Curves>\n    <Version>1.00</Version>\n    <Curve>"))
        << text;
    EXPECT_EQ(text, VN_Test::ReadFile(curveDir + "/last_iv_3.xml"));
    EXPECT_NE(std::string::npos,
              VN_Test::ReadFile(dir.File("shell_journal.log")).find("chmod g+rw /data/curves/last_iv_3.xml"));

    IvCurve loaded;
    ASSERT_EQ(0, sampler->LoadLastCurve(loaded, 3));
    EXPECT_EQ("South row 3", loaded.Name);
    EXPECT_EQ(curve.Date_Time, loaded.Date_Time);
    ASSERT_EQ(1u, loaded.Points.size());
    EXPECT_DOUBLE_EQ(240.0, loaded.PeakPower);
}

TEST_F(DataSamplerCurveFiles, FailuresLeaveTheTargetCurveAlone) {
    DataSampler sampler;
    sampler.SetCurvePath("/data/missing/");
    EXPECT_EQ(DataSampler::ErrCurveSave, sampler.StoreCurve(curve, 3));
    sampler.SetCurvePath("/data/curves/");

    IvCurve target;
    target.Name = "kept";
    EXPECT_EQ(DataSampler::ErrCurveLoad, sampler.LoadLastCurve(target, 4));
    VN_Test::WriteFile(curveDir + "/broken.xml", "<IV_Curves><Curve>");
    EXPECT_EQ(DataSampler::ErrCurveLoad, sampler.LoadCurve(target, "broken.xml"));
    VN_Test::WriteFile(curveDir + "/other.xml", "<Other><Curve/></Other>");
    EXPECT_EQ(DataSampler::ErrNotCurveDocument, sampler.LoadCurve(target, "other.xml"));
    VN_Test::WriteFile(curveDir + "/empty.xml", "<IV_Curves><Version>1.00</Version></IV_Curves>");
    EXPECT_EQ(DataSampler::ErrNotCurveDocument, sampler.LoadCurve(target, "empty.xml"));
    EXPECT_EQ("kept", target.Name);
}

TEST_F(DataSamplerCurveFiles, AFailedReplacementLeavesTheOldCurveFileWhole) {
    DataSampler sampler;
    ASSERT_EQ(0, sampler.StoreLastCurve(curve, 3));
    EXPECT_FALSE(VN_Test::FileExists(curveDir + "/last_iv_3.xml.new"));
    const std::string stored = VN_Test::ReadFile(curveDir + "/last_iv_3.xml");
    ASSERT_NE(std::string::npos, stored.find("South row 3"));

    mkdir((curveDir + "/last_iv_3.xml.new").c_str(), 0755);
    curve.Name = "replacement";
    EXPECT_EQ(DataSampler::ErrCurveSave, sampler.StoreLastCurve(curve, 3));
    EXPECT_EQ(stored, VN_Test::ReadFile(curveDir + "/last_iv_3.xml"));
}

using DataFileStore = SamplerTest;

TEST_F(DataFileStore, OneFileADayNamedByTheLocalDateWithHeadersOnlyWhenCreated) {
    system.moduleChannels[1].sample.name = "South 1";
    system.auxInputChannels[5].sample.units = "W/m2";
    system.temperatureChannels[9].sample.units = "C";
    auto sampler = AttachedSampler();
    ASSERT_EQ(0, sampler->UpdateRecord());
    EXPECT_EQ(1u, DataSampler::Record.modules.size());
    EXPECT_EQ(FixedTime().load(), DataSampler::Record.record_time);

    EXPECT_EQ(0, sampler->StoreVndData());
    EXPECT_EQ(0, sampler->StoreVndData());
    const std::string line =
        "07/04/2012,13:05:09,-9.999000e+03,-9.999000e+03,-9.999000e+03,-9.999000e+03,-9.999000e+03\n";
    EXPECT_EQ(
        "Date,Time,1 Volts,1 Amps,1 Power,5 Aux,9 Temp\n"
        "Date,Time,South 1 Volts,South 1 Amps,South 1 Power,,\n"
        "mm/dd/yyyy,hh:mm:ss,Volts,Amps,Watts,W/m2,C\n" +
            line + line,
        VN_Test::ReadFile(DataFile("vn07042012.vnd")));
    const std::string journal = Journal();
    EXPECT_EQ(1u, Occurrences(journal, "chgrp data_admin /data/vnd/vn07042012.vnd >")) << journal;
    EXPECT_EQ(1u, Occurrences(journal, "chmod g+rw /data/vnd/vn07042012.vnd >")) << journal;

    EXPECT_EQ(0, sampler->ResetRecord());
    EXPECT_TRUE(DataSampler::Record.modules.empty());
}

// What a store cut short leaves (the controller killed or the disk full
// mid-write) is dropped before the next line, so every line stays whole and
// the headers come first.
TEST_F(DataFileStore, ALineOrHeaderCutShortIsDroppedBeforeTheNextStore) {
    auto sampler = AttachedSampler();
    ASSERT_EQ(0, sampler->UpdateRecord());
    const std::string headers = "Date,Time\nDate,Time\nmm/dd/yyyy,hh:mm:ss\n";
    const std::string line = "07/04/2012,13:05:09\n";
    const std::string file = DataFile("vn07042012.vnd");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {headers + line + "07/04/2012,13:0", headers + line + line},
        {headers + line, headers + line + line},
        {"", headers + line},
        {"Date,Time\nDate,Ti", headers + line},
        {"Date,Time\nDate,Time\n", headers + line},
        {std::string(5000, 'x'), headers + line},
        {headers + std::string(5000, 'x'), headers + line},
    };
    for (const auto& [left, stored] : cases) {
        VN_Test::WriteFile(file, left);
        EXPECT_EQ(0, sampler->StoreVndData()) << left;
        EXPECT_EQ(stored, VN_Test::ReadFile(file)) << left;
    }
}

TEST_F(DataFileStore, TheStoreAtMidnightStartsTheNewDaysFile) {
    auto sampler = AttachedSampler();
    sampler->Update();
    SetTime(VN_Test::UtcTime(2012, 7, 5, 0, 0, 0));
    EXPECT_EQ(0, sampler->Update());
    EXPECT_FALSE(VN_Test::FileExists(DataFile("vn07042012.vnd")));
    EXPECT_EQ("Date,Time\nDate,Time\nmm/dd/yyyy,hh:mm:ss\n07/05/2012,00:00:00\n",
              VN_Test::ReadFile(DataFile("vn07052012.vnd")));
    EXPECT_EQ(VN_Test::UtcTime(2012, 7, 6, 0, 0, 0), sampler->NextAverageTime());
}

TEST_F(DataFileStore, FailuresToWriteOpenOrMountAreReported) {
    auto sampler = AttachedSampler();
    sampler->SetStoreStopTime(23, 59, 59);
    // A file whose writes fail: the line never reached the disk.
    if (VN_Test::FileExists("/dev/full")) {
        ASSERT_EQ(0, symlink("/dev/full", DataFile("vn07042012.vnd").c_str()));
        SetTime(sampler->NextAverageTime());
        EXPECT_EQ(DataSampler::ErrDataFile, sampler->Update());
        std::remove(DataFile("vn07042012.vnd").c_str());
    }
    mkdir(DataFile("vn07042012.vnd").c_str(), 0755);
    EXPECT_EQ(DataSampler::ErrDataFile, sampler->StoreVndData());

    std::remove(dir.File("data/mounted").c_str());
    ASSERT_EQ(0, std::rename(dir.File("data").c_str(), dir.File("moved").c_str()));
    VN_Test::WriteFile(dir.File("data"), "");
    EXPECT_EQ(DataSampler::ErrDataVolume, sampler->StoreVndData());
}

using DataVolume = SamplerTest;

TEST_F(DataVolume, TheMarkerFileStandsForAMountedVolume) {
    DataSampler sampler;
    std::string journal = Journal();
    EXPECT_NE(std::string::npos, journal.find("mount /dev/hda3 /data >")) << journal;
    for (const char* directory : {"/data/vnd/", "/data/curves/"}) {
        for (const std::string command : {"mkdir ", "chgrp data_admin ", "chmod g+rw "})
            EXPECT_NE(std::string::npos, journal.find(command + directory + " >")) << command << directory;
    }
    EXPECT_TRUE(VN_Test::FileExists(dir.File("data/mounted")));
    EXPECT_TRUE(VN_Test::FileExists(dir.File("data/vnd")));

    std::remove(dir.File("shell_journal.log").c_str());
    EXPECT_TRUE(sampler.MountDataVolume());
    EXPECT_EQ("", Journal());

    std::remove(dir.File("data/mounted").c_str());
    EXPECT_TRUE(sampler.MountDataVolume());
    EXPECT_NE(std::string::npos, Journal().find("mount /dev/hda3 /data >"));
    EXPECT_TRUE(VN_Test::FileExists(dir.File("data/mounted")));
}

TEST_F(DataVolume, PathsThatAreNotPlainWordsNeverReachTheShell) {
    DataSampler sampler;
    IvCurve curve;
    for (const std::string folder : {"row 3", "it's", "a;b"}) {
        ASSERT_EQ(0, mkdir(dir.File("data/" + folder).c_str(), 0755));
        sampler.SetCurvePath("/data/" + folder + "/");
        EXPECT_EQ(0, sampler.StoreCurve(curve, "curve.xml")) << folder;
        EXPECT_TRUE(VN_Test::FileExists(dir.File("data/" + folder + "/curve.xml"))) << folder;
        EXPECT_EQ(std::string::npos, Journal().find(folder)) << Journal();
    }
}

TEST_F(DataVolume, StringFilesAreWrittenWholeAndReadToTheFirstWordWithinTheBuffer) {
    DataSampler sampler;
    EXPECT_EQ(0, sampler.WriteStringToFile("  hostname\tstation", "/data/name"));
    EXPECT_EQ("  hostname\tstation\n", VN_Test::ReadFile(dir.File("data/name")));
    char buffer[16];
    EXPECT_EQ(0, sampler.ReadStringFromFile(buffer, sizeof buffer, "/data/name"));
    EXPECT_STREQ("hostname", buffer);
    EXPECT_EQ(0, sampler.ReadStringFromFile(buffer, 5, "/data/name"));
    EXPECT_STREQ("host", buffer);

    EXPECT_EQ(DataSampler::ErrDataFile, sampler.ReadStringFromFile(buffer, sizeof buffer, "/data/missing"));
    EXPECT_EQ(DataSampler::ErrDataFile, sampler.WriteStringToFile("x", "/data/vnd"));
    EXPECT_FALSE(sampler.DoesFileExist("/data/missing"));
    EXPECT_TRUE(sampler.DoesFileExist("/data/name"));
}

using StatusDocument = SamplerTest;

TEST_F(StatusDocument, ReadsUnknownBeforeTheFirstPassWithDueTimesAndDays) {
    Status status;
    status.NextCurveTime = VN_Test::UtcTime(2012, 7, 4, 14, 0, 5);
    status.NextAverageTime = VN_Test::UtcTime(2012, 7, 5, 0, 0, 0);
    EXPECT_EQ(
        "<Status state=\"Unknown\">\n"
        "    <NextCurveTime hour=\"14\" min=\"0\" sec=\"5\" day=\"Today\" />\n"
        "    <NextAverageTime hour=\"0\" min=\"0\" sec=\"0\" day=\"Tomorrow\" />\n"
        "</Status>\n",
        status.GetAsXmlString());
}

}  // namespace
