// Time-stamped curve files never replace one another.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <string>

#include "channels/iv_curve.h"
#include "schedule/data_sampler.h"
#include "test_support.h"

namespace {

using VN_Sample::DataSampler;
using VN_Sample::IvCurve;


// A sampler in a scratch station folder on a zone with daylight saving.
class CurveFileNames : public ::testing::Test {
protected:
    CurveFileNames() : workingDir(dir.Path()), zone("Europe/Zurich") {
        mkdir(dir.File("data").c_str(), 0755);
        mkdir(curveDir.c_str(), 0755);
    }

    static IvCurve Curve(const std::string& name, time_t taken) {
        IvCurve curve;
        curve.Name = name;
        curve.Date_Time = taken;
        VN_Sample::IvPointType point = {};
        point.volts = 30.0;
        point.amps = 8.0;
        curve.AddPoint(point);
        return curve;
    }

    std::string CurveName(const std::string& file) {
        IvCurve loaded;
        return sampler.LoadCurve(loaded, file) == 0 ? loaded.Name : "(not loaded)";
    }

    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir workingDir;
    VN_Test::ScopedTimeZone zone;
    std::string curveDir = dir.File("data/curves");
    DataSampler sampler;
};

TEST_F(CurveFileNames, TheHourRepeatedWhenDaylightSavingEndsKeepsBothCurves) {
    // 02:30 local time twice on 28 October 2012: first summer time, then winter time.
    const time_t summer = VN_Test::UtcTime(2012, 10, 28, 0, 30, 0);
    ASSERT_EQ(0, sampler.StoreCurve(Curve("summer", summer), 3));
    ASSERT_EQ(0, sampler.StoreCurve(Curve("winter", summer + 3600), 3));
    EXPECT_EQ("summer", CurveName("03_10282012_023000.xml"));
    EXPECT_EQ("winter", CurveName("03_10282012_023000_1.xml"));
    EXPECT_FALSE(VN_Test::FileExists(curveDir + "/03_10282012_023000.xml.new"));
    const std::string journal = VN_Test::ReadFile(dir.File("shell_journal.log"));
    EXPECT_NE(std::string::npos, journal.find("chmod g+rw /data/curves/03_10282012_023000_1.xml >")) << journal;
}

TEST_F(CurveFileNames, CurvesOfOneSecondAreNumberedAndTheLastCurveIsReplaced) {
    const time_t taken = VN_Test::UtcTime(2012, 7, 4, 11, 5, 9);
    // A file of that name put there by someone else counts as taken too.
    VN_Test::WriteFile(curveDir + "/07_07042012_130509.xml", "kept");
    for (const char* name : {"first", "second"}) {
        ASSERT_EQ(0, sampler.StoreCurve(Curve(name, taken), 7));
        ASSERT_EQ(0, sampler.StoreLastCurve(Curve(name, taken), 7));
    }
    EXPECT_EQ("kept", VN_Test::ReadFile(curveDir + "/07_07042012_130509.xml"));
    EXPECT_EQ("first", CurveName("07_07042012_130509_1.xml"));
    EXPECT_EQ("second", CurveName("07_07042012_130509_2.xml"));
    EXPECT_EQ("second", CurveName("last_iv_7.xml"));
    EXPECT_FALSE(VN_Test::FileExists(curveDir + "/last_iv_7_1.xml"));
}

}  // namespace
