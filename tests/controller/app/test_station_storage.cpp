// The controller program running the simulated station with a short schedule
// (1 s samples, 10 s averages, curves every 30 s): the day's data file and
// the curve files it writes agree with the station's ground truth.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "channels/iv_curve.h"
#include "schedule/data_sampler.h"
#include "station_fixture.h"
#include "station_truth.h"
#include "test_support.h"

using VN_Test::Truth_T;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Every field, also empty ones at the end of the line.
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields(1);
    for (char c : line) {
        if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::string DataFileName() {
    const time_t now = time(nullptr);
    struct tm local = {};
    localtime_r(&now, &local);
    char name[32];
    std::snprintf(name, sizeof name, "vn%02i%02i%04i.vnd", local.tm_mon + 1, local.tm_mday, local.tm_year + 1900);
    return name;
}

bool WaitFor(const std::function<bool()>& done, int seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    return false;
}

TEST(StationStorage, DataAndCurveFilesAgreeWithTheStation) {
    VN_Test::StationCopy station;
    station.Patch("settings.xml", "<Curves interval=\"120\"", "<Curves interval=\"30\"");
    VN_Test::ChildProcess controller(VN_CONTROLLER_PATH, station.Path());
    const std::string dataFile = station.File("data/vnd/" + DataFileName());
    const std::string lastCurve = station.File("data/curves/last_iv_4.xml");

    // Four average lines after the modules are tracking, and a curve of
    // every module (the run takes module 4 last).
    ASSERT_TRUE(WaitFor([&] { return Lines(VN_Test::ReadFile(dataFile)).size() >= 3 + 6; }, 120))
        << controller.Output();
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(lastCurve); }, 120)) << controller.Output();
    Truth_T truth;
    ASSERT_TRUE(VN_Test::ReadTruth(station.File("sim_truth.xml"), &truth));

    const std::vector<std::string> lines = Lines(VN_Test::ReadFile(dataFile));
    EXPECT_EQ(lines[0].rfind("Date,Time,1 Volts,1 Amps,1 Power,2 Volts", 0), 0u) << lines[0];
    EXPECT_EQ(lines[2].rfind("mm/dd/yyyy,hh:mm:ss,Volts,Amps,Watts", 0), 0u) << lines[2];
    const size_t columns = 2 + 3 * 4 + 2 + 5;
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(Fields(lines[i]).size(), columns) << lines[i];
    // Lines on the 10 s grid; module 1's averages near its maximum power (a
    // period holding its sweep averages a little lower, so the best of the
    // last three counts), the pyranometer's near the irradiance.
    const std::vector<std::string> last = Fields(lines.back());
    EXPECT_EQ(last[1].substr(7, 1), "0") << last[1];
    double power = 0;
    for (size_t i = lines.size() - 3; i < lines.size(); ++i) {
        power = std::max(power, std::strtod(Fields(lines[i])[4].c_str(), nullptr));
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
