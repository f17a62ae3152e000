// The unit program as a process in a copy of the default simulated station,
// driven over TCP; its readings and load operating points are checked against
// the station's ground truth file.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "station_truth.h"
#include "test_support.h"
#include "unit_client.h"

using VN_Test::PayloadReader;
using VN_Test::UnitClient;

namespace {

// Wiring of the default station: divider and shunt tolerances per module.
const double VoltageTolerance[4] = {0.0031, -0.0022, 0.0045, -0.0008};
const double CurrentTolerance[4] = {-0.0027, 0.0038, 0.0012, -0.0041};

using VN_Test::Truth_T;
using VN_Test::TruthModule_T;

struct Sample_T {
    std::map<int, double> temperatures;
    std::map<int, double> auxInputs;
    std::map<int, std::pair<double, double>> modules;  // id -> (current, voltage)
};

class UnitPhysicsEndToEnd : public ::testing::Test {
protected:
    // Copies the default station, with the unit on a free port and hw_config.xml edited by patch.
    void StartStation(const std::function<void(std::string&)>& patch = nullptr) {
        std::filesystem::copy(std::string(VN_SOURCE_DIR) + "/sim_station", dir.Path(),
                              std::filesystem::copy_options::recursive);
        port = VN_Test::FreeTcpPort();
        std::string config = VN_Test::ReadFile(dir.File("hw_config.xml"));
        Replace(config, "port=\"3010\"", "port=\"" + std::to_string(port) + "\"");
        if (patch) patch(config);
        VN_Test::WriteFile(dir.File("hw_config.xml"), config);
        unit = std::make_unique<VN_Test::ChildProcess>(VN_FIRMWARE_PATH, dir.Path());
        client = std::make_unique<UnitClient>(port, 10000);
        ASSERT_TRUE(client->Connected()) << unit->Output();
    }

    static void Replace(std::string& text, const std::string& from, const std::string& to) {
        size_t at = text.find(from);
        ASSERT_NE(std::string::npos, at) << from;
        text.replace(at, from.size(), to);
    }

    // The default station has four modules: a truth with fewer is still being written.
    bool ReadTruth(Truth_T* truth) {
        return VN_Test::ReadTruth(dir.File("sim_truth.xml"), truth) && truth->modules.size() == 4;
    }

    bool WaitForTruth(const std::function<bool(const Truth_T&)>& done, int timeoutMs, Truth_T* truth) {
        return VN_Test::WaitForTruth(
            dir.File("sim_truth.xml"), [&done](const Truth_T& t) { return t.modules.size() == 4 && done(t); },
            timeoutMs, truth);
    }

    void Ask(const std::string& request, int expectedCommand) {
        std::vector<unsigned char> payload;
        ASSERT_TRUE(client->Ask(request, &payload)) << request;
        ASSERT_GE(payload.size(), 3u);
        EXPECT_EQ(expectedCommand, payload[0]) << request;
    }

    Sample_T Sample() {
        Sample_T sample;
        std::vector<unsigned char> payload;
        EXPECT_TRUE(client->Ask("101,A,R", &payload));
        PayloadReader r(payload);
        EXPECT_EQ(101, r.Byte());
        EXPECT_EQ(0, r.Short());
        EXPECT_EQ(1, r.Int());
        EXPECT_EQ('T', r.Byte());
        for (int n = r.Int(), i = 0; i < n; ++i) {
            int id = r.Byte();
            sample.temperatures[id] = r.Double();
        }
        EXPECT_EQ('X', r.Byte());
        for (int n = r.Int(), i = 0; i < n; ++i) {
            int id = r.Byte();
            sample.auxInputs[id] = r.Double();
        }
        EXPECT_EQ('M', r.Byte());
        for (int n = r.Int(), i = 0; i < n; ++i) {
            int id = r.Byte();
            double current = r.Double();
            sample.modules[id] = {current, r.Double()};
        }
        EXPECT_EQ('E', r.Byte());
        EXPECT_TRUE(r.AtEnd());
        return sample;
    }

    VN_Test::TempDir dir;
    int port = 0;
    std::unique_ptr<VN_Test::ChildProcess> unit;
    std::unique_ptr<UnitClient> client;
};

// Whether the round robin has read every input of the default station: the
// record starts with no temperature and no volts.
bool EveryInputRead(const Sample_T& sample) {
    if (sample.temperatures.size() != 5 || sample.auxInputs.size() != 2 || sample.modules.size() != 4) return false;
    for (const auto& t : sample.temperatures) {
        if (t.second <= -999.0) return false;
    }
    for (const auto& x : sample.auxInputs) {
        if (x.second == 0.0) return false;
    }
    for (const auto& m : sample.modules) {
        if (m.second.second == 0.0) return false;
    }
    return true;
}

TEST_F(UnitPhysicsEndToEnd, SampleRecordAgreesWithTheStation) {
    StartStation();
    Sample_T sample;
    ASSERT_TRUE(VN_Test::WaitUntil(
        [&] {
            sample = Sample();
            return EveryInputRead(sample);
        },
        20000));
    Truth_T truth;
    ASSERT_TRUE(ReadTruth(&truth));

    ASSERT_EQ(4u, sample.modules.size());
    for (int id = 1; id <= 4; ++id) {
        const TruthModule_T& m = truth.modules[id];
        // Open circuit after start: the reading is the true voltage seen through the divider's tolerance.
        EXPECT_NEAR(m.voltage * (1 + VoltageTolerance[id - 1]), sample.modules[id].second, 0.001 * m.voltage + 0.01)
            << "module " << id;
        EXPECT_NEAR(m.current * (1 + CurrentTolerance[id - 1]), sample.modules[id].first, 0.01) << "module " << id;
        EXPECT_NEAR(m.cellTemperature, sample.temperatures[id], 0.5) << "module " << id;
    }
    ASSERT_EQ(2u, sample.auxInputs.size());
    EXPECT_NEAR(truth.irradiance, sample.auxInputs[1], 0.003 * truth.irradiance);
    EXPECT_NEAR(truth.irradiance, sample.auxInputs[2], 0.003 * truth.irradiance);
    EXPECT_NEAR(truth.ambient, sample.temperatures[5], 0.5);
}

TEST_F(UnitPhysicsEndToEnd, DescriptionAndOnDemandReadings) {
    StartStation();
    std::vector<unsigned char> payload;
    ASSERT_TRUE(client->Ask("11,", &payload));
    PayloadReader description(payload);
    EXPECT_EQ(11, description.Byte());
    EXPECT_EQ(0, description.Short());
    EXPECT_EQ(2, description.Int());
    EXPECT_EQ("5.11", description.String());
    EXPECT_EQ("SIM-0001", description.String());
    EXPECT_EQ("12/07/2026", description.String());
    EXPECT_EQ("VN5-SIM", description.String());
    EXPECT_EQ(2, description.Int());
    EXPECT_EQ(1, description.Int());
    EXPECT_EQ(2, description.Int());
    ASSERT_EQ(5, description.Int());
    for (int id = 1; id <= 5; ++id) {
        EXPECT_EQ(id, description.Int());
        EXPECT_EQ(id == 5 ? "K" : "T", description.String());
    }
    ASSERT_EQ(4, description.Int());
    for (int id = 1; id <= 4; ++id) EXPECT_EQ(id, description.Int());
    EXPECT_TRUE(description.AtEnd());

    Truth_T truth;
    ASSERT_TRUE(ReadTruth(&truth));
    auto reading = [this](const std::string& request, int* result) {
        std::vector<unsigned char> answer;
        EXPECT_TRUE(client->Ask(request, &answer)) << request;
        PayloadReader r(answer);
        r.Byte();
        *result = r.Short();
        return r.Left() == 4 ? r.Float() : -1.0f;
    };
    int result = -1;
    EXPECT_NEAR(truth.modules[1].cellTemperature, reading("102,1", &result), 0.5);
    EXPECT_EQ(0, result);
    reading("102,9", &result);
    EXPECT_EQ(702, result);
    EXPECT_NEAR(truth.irradiance, reading("103,2", &result), 0.003 * truth.irradiance);
    EXPECT_EQ(0, result);
    reading("103,3", &result);
    EXPECT_EQ(703, result);
    // Card 2, mux 1, chan 0: pyranometer 1 in volts (mode 1).
    EXPECT_NEAR(1e-5 * 1.02 * truth.irradiance, reading("104,2,1,0,0,1,1000", &result), 2e-5);
    EXPECT_EQ(0, result);
    reading("104,2,1,0,0,3,1000", &result);
    EXPECT_EQ(602, result);
    reading("104,9,1,0,0,1,1000", &result);
    EXPECT_EQ(601, result);
    // A negative averaging time is answered at once, not after an hour.
    reading("104,2,1,0,0,1,-1", &result);
    EXPECT_EQ(0, result);
}

TEST_F(UnitPhysicsEndToEnd, LoadModesHoldTheirOperatingPoints) {
    StartStation();
    Ask("42,1,1,0,100,0.4,0.1", 42);   // power tracking
    Ask("42,2,2,30,100,0.4,0.1", 42);  // fixed 30 V
    Ask("42,3,0,0,100,0.4,0.1", 42);   // off: open circuit
    Ask("42,4,2,0,100,0.4,0.1", 42);   // fixed 0 V: short circuit
    double heldVoltage = 30.0 / (1 + VoltageTolerance[1]);
    Truth_T truth;
    bool settled = WaitForTruth(
        [heldVoltage](const Truth_T& t) {
            const TruthModule_T &m1 = t.modules.at(1), &m2 = t.modules.at(2), &m3 = t.modules.at(3),
                                &m4 = t.modules.at(4);
            return m1.power >= 0.98 * m1.pmax && std::abs(m2.voltage - heldVoltage) < 0.1 &&
                   std::abs(m3.voltage - m3.voc) < 0.01 && m3.current < 0.01 && m4.current >= 0.99 * m4.isc;
        },
        20000, &truth);
    EXPECT_TRUE(settled) << "module 1 at " << truth.modules[1].power << " W of " << truth.modules[1].pmax
                         << " W; module 2 at " << truth.modules[2].voltage << " V; module 3 at "
                         << truth.modules[3].voltage << " V of " << truth.modules[3].voc
                         << " V; module 4 at " << truth.modules[4].current << " A of " << truth.modules[4].isc
                         << " A";

    // The sample record follows the loads.
    Sample_T sample = Sample();
    EXPECT_NEAR(30.0, sample.modules[2].second, 0.15);
    EXPECT_NEAR(truth.modules[4].isc, sample.modules[4].first, 0.02 * truth.modules[4].isc);

    // All loads off: every module goes back to open circuit.
    Ask("43,", 43);
    EXPECT_TRUE(WaitForTruth(
        [](const Truth_T& t) {
            for (auto& m : t.modules) {
                if (m.second.dac != 0 || m.second.current > 0.01) return false;
            }
            return true;
        },
        5000, &truth));
}

struct Curve_T {
    double isc = 0, voc = 0;
    std::vector<std::pair<double, double>> points;  // (volts, amps)
};

// 150 answers the fixed layout of 301 pairs; 151 with the module id only the
// compact one of n pairs.
Curve_T ReadCurve(PayloadReader& r, bool fixed) {
    Curve_T curve;
    if (!fixed) {
        EXPECT_EQ(2, r.Int());
        EXPECT_EQ(0, r.Int());
    }
    curve.isc = r.Double();
    if (!fixed) {
        EXPECT_GT(r.Double(), 0.0);  // current resolution
        EXPECT_GT(r.Double(), curve.isc);
    }
    curve.voc = r.Double();
    if (!fixed) {
        EXPECT_GT(r.Double(), 0.0);  // voltage resolution
        EXPECT_GT(r.Double(), curve.voc);
    }
    const int n = r.Int();
    EXPECT_GT(n, 3);
    EXPECT_LE(n, 298);
    const int pairs = fixed ? 301 : n;
    for (int i = 0; i < pairs; ++i) {
        const double volts = r.Double();
        const double amps = r.Double();
        if (i < n) curve.points.emplace_back(volts, amps);
    }
    EXPECT_TRUE(r.AtEnd());
    return curve;
}

TEST_F(UnitPhysicsEndToEnd, CurvesOnRequestMatchTheModuleAndTrackingResumes) {
    StartStation();
    Ask("42,1,1,0,100,0.4,0.1", 42);
    Truth_T truth;
    ASSERT_TRUE(WaitForTruth([](const Truth_T& t) { return t.modules.at(1).power >= 0.98 * t.modules.at(1).pmax; },
                             20000, &truth));
    for (const char* request : {"150,1", "151,1"}) {
        std::vector<unsigned char> payload;
        // A sweep holds the unit up to 4.8 s (slower under the sanitizers).
        ASSERT_TRUE(client->Ask(request, &payload, 10000)) << request;
        ASSERT_TRUE(ReadTruth(&truth));
        const TruthModule_T& m = truth.modules.at(1);
        PayloadReader r(payload);
        ASSERT_EQ(request[2] == '0' ? 150 : 151, r.Byte()) << request;
        ASSERT_EQ(0, r.Short());
        const Curve_T curve = ReadCurve(r, request[2] == '0');
        ASSERT_FALSE(curve.points.empty());
        // The readings carry the uncalibrated wiring tolerances.
        EXPECT_NEAR(curve.isc, m.isc, 0.01 * m.isc) << request;
        EXPECT_NEAR(curve.voc, m.voc, 0.01 * m.voc) << request;
        EXPECT_EQ(std::make_pair(0.0, curve.isc), curve.points.front());
        EXPECT_EQ(std::make_pair(curve.voc, 0.0), curve.points.back());
        double pmax = 0;
        for (const auto& point : curve.points) pmax = std::max(pmax, point.first * point.second);
        EXPECT_NEAR(pmax, m.pmax, 0.015 * m.pmax) << request;
    }
    // The unit wrote the stages of the last sweep.
    EXPECT_EQ(0u, VN_Test::ReadFile(dir.File("test_data")).find("Size "));
    EXPECT_TRUE(WaitForTruth([](const Truth_T& t) { return t.modules.at(1).power >= 0.98 * t.modules.at(1).pmax; },
                             10000, &truth));
}

TEST_F(UnitPhysicsEndToEnd, PowerAboveTheRatingTripsTheOverPowerHold) {
    StartStation([](std::string& config) { Replace(config, "pmax=\"300\"", "pmax=\"100\""); });
    // Module 1 trips after this instant, so its 20 s hold lasts past the end
    // of what is watched here (with a second to spare for the last look).
    const auto watchTill = std::chrono::steady_clock::now() + std::chrono::seconds(19);
    Ask("42,1,1,0,100,0.4,0.1", 42);
    Ask("42,2,1,0,100,0.4,0.1", 42);
    // The unit steps one load per pass, in turn, so module 1 steps between
    // any two steps of module 2, each of which moves module 2's DAC. Module
    // 1, rated 100 W, trips at its second tracking step: by module 2's third
    // it is held open, and it stays open while module 2 steps on.
    Truth_T truth;
    int lastDac = 0, steps = 0;
    auto readStep = [&] {
        if (!ReadTruth(&truth)) return false;
        if (truth.modules[2].dac != lastDac) ++steps;
        lastDac = truth.modules[2].dac;
        return true;
    };
    ASSERT_TRUE(VN_Test::WaitUntil([&] { return readStep() && steps >= 3; }, 20000));
    const int stepsAtTrip = steps;
    bool open = true;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(watchTill - std::chrono::steady_clock::now());
    VN_Test::WaitUntil(
        [&] {
            if (!readStep()) return false;
            open = truth.modules[1].dac == 0 && truth.modules[1].current < 0.01;
            return !open || steps >= stepsAtTrip + 4;
        },
        static_cast<int>(left.count()));
    EXPECT_TRUE(open) << "module 1 at DAC " << truth.modules[1].dac << ", " << truth.modules[1].current
                      << " A, module 2 at step " << steps;
    // Open through module 1's own steps, not merely while the unit stood still.
    if (open) {
        EXPECT_GE(steps - stepsAtTrip, 2) << "the unit stepped too slowly to watch the hold";
    }
    // Module 2, rated 300 W, tracks its maximum power point meanwhile.
    EXPECT_TRUE(WaitForTruth([](const Truth_T& t) { return t.modules.at(2).power >= 0.95 * t.modules.at(2).pmax; },
                             20000, &truth));
}

}  // namespace
