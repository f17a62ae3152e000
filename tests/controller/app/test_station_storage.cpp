// The controller program running the simulated station with a short schedule
// (1 s samples, 10 s averages, curves every 30 s): the day's data file and
// the curve files it writes agree with the station's ground truth.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "channels/iv_curve.h"
#include "schedule/data_sampler.h"
#include "station_fixture.h"
#include "storage/data_file.h"
#include "station_truth.h"
#include "test_support.h"

using VN_Test::Truth_T;

namespace {

// Today's day file.
std::string DataFileName() { return VN_Sample::DataFileName(time(nullptr)); }

// Seconds since midnight of a data line's hh:mm:ss; -1 when it has none.
int SecondOfDay(const std::string& line) {
    const std::vector<std::string> fields = VN_Test::CommaFields(line);
    int hour = 0, minute = 0, second = 0;
    if (fields.size() < 2 || std::sscanf(fields[1].c_str(), "%d:%d:%d", &hour, &minute, &second) != 3) return -1;
    return 3600 * hour + 60 * minute + second;
}

// A line is stamped when it is stored, which a sweep holding the unit can
// delay by seconds: a line on a 10 s mark is one that was not held up.
bool SomeLineOnTheGrid(const std::vector<std::string>& lines) {
    for (size_t i = 3; i < lines.size(); ++i) {
        if (SecondOfDay(lines[i]) >= 0 && SecondOfDay(lines[i]) % 10 == 0) return true;
    }
    return false;
}

TEST(StationStorageEndToEnd, DataAndCurveFilesAgreeWithTheStation) {
    VN_Test::StationCopy station;
    station.Patch("settings.xml", "<Curves interval=\"120\"", "<Curves interval=\"30\"");
    VN_Test::ChildProcess controller(VN_CONTROLLER_PATH, station.Path());
    // The day's file when the run started, or the next day's should it run past midnight.
    const std::string firstDay = DataFileName();
    std::string dataFile;
    const std::string lastCurve = station.File("data/curves/last_iv_4.xml");

    // Four average lines after the modules are tracking, one of them stored
    // on time, and a curve of every module (the run takes module 4 last).
    ASSERT_TRUE(VN_Test::WaitUntil(
        [&] {
            for (const std::string& name : {firstDay, DataFileName()}) {
                dataFile = station.File("data/vnd/" + name);
                const std::vector<std::string> lines = VN_Test::Lines(VN_Test::ReadFile(dataFile));
                if (lines.size() >= 3 + 6 && SomeLineOnTheGrid(lines)) return true;
            }
            return false;
        },
        120000))
        << VN_Test::ReadFile(dataFile) << controller.Output();
    ASSERT_TRUE(VN_Test::WaitUntil([&] { return std::filesystem::exists(lastCurve); }, 120000)) << controller.Output();
    Truth_T truth;
    ASSERT_TRUE(VN_Test::ReadTruth(station.File("sim_truth.xml"), &truth));

    const std::vector<std::string> lines = VN_Test::Lines(VN_Test::ReadFile(dataFile));
    EXPECT_EQ(lines[0].rfind("Date,Time,1 Volts,1 Amps,1 Power,2 Volts", 0), 0u) << lines[0];
    EXPECT_EQ(lines[2].rfind("mm/dd/yyyy,hh:mm:ss,Volts,Amps,Watts", 0), 0u) << lines[2];
    const size_t columns = 2 + 3 * 4 + 2 + 5;
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(VN_Test::CommaFields(lines[i]).size(), columns) << lines[i];
    // Lines on the 10 s grid: a line not held up on a 10 s mark (waited for
    // above), and one line per 10 s on the whole (a delayed line, or one
    // caught up after a stall, shifts only its own stamp).
    const double meanStep =
        static_cast<double>(SecondOfDay(lines.back()) - SecondOfDay(lines[3])) / static_cast<double>(lines.size() - 4);
    EXPECT_NEAR(meanStep, 10.0, 2.5) << lines[3] << "\n" << lines.back();
    // Module 1's averages near its maximum power (a period holding its sweep
    // averages a little lower, so the best of the last three counts), the
    // pyranometer's near the irradiance.
    const std::vector<std::string> last = VN_Test::CommaFields(lines.back());
    double power = 0;
    for (size_t i = lines.size() - 3; i < lines.size(); ++i) {
        power = std::max(power, std::strtod(VN_Test::CommaFields(lines[i])[4].c_str(), nullptr));
    }
    EXPECT_NEAR(power, truth.modules[1].pmax, 0.03 * truth.modules[1].pmax);
    EXPECT_NEAR(std::strtod(last[14].c_str(), nullptr), truth.irradiance, 0.02 * truth.irradiance) << lines.back();

    // Every curve file is well-formed XML, and the last curve of each module
    // reads back with figures that agree with its points and the truth.
    for (const auto& entry : std::filesystem::directory_iterator(station.File("data/curves"))) {
        const std::string check = "xmllint --noout '" + entry.path().string() + "' 2>&1";
        EXPECT_EQ(0, std::system(check.c_str())) << entry.path();
    }
    VN_Test::ScopedWorkingDir workingDir(station.Path());
    VN_Sample::DataSampler sampler;
    for (int id = 1; id <= 4; ++id) {
        VN_Sample::IvCurve curve;
        ASSERT_EQ(0, sampler.LoadLastCurve(curve, id)) << id;
        const VN_Test::TruthModule_T& m = truth.modules[id];
        ASSERT_GT(curve.Points.size(), 100u) << id;
        double peak = 0;
        for (const VN_Sample::IvPointType& point : curve.Points) peak = std::max(peak, point.power);
        EXPECT_NEAR(curve.PeakPower, peak, 1e-3) << id;
        EXPECT_NEAR(curve.FillFactor, 100 * peak / (curve.Isc * curve.Voc), 1e-3) << id;
        EXPECT_DOUBLE_EQ(curve.Points.front().amps, curve.Isc) << id;
        EXPECT_DOUBLE_EQ(curve.Points.back().volts, curve.Voc) << id;
        // The readings carry the wiring tolerances of the station (under 0.5 %).
        EXPECT_NEAR(curve.Isc, m.isc, 0.01 * m.isc) << id;
        EXPECT_NEAR(curve.Voc, m.voc, 0.01 * m.voc) << id;
        EXPECT_NEAR(curve.PeakPower, m.pmax, 0.015 * m.pmax) << id;
    }
}

}  // namespace
