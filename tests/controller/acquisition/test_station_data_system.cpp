// The data system, as the controller runs it, against the unit program in a
// copy of the simulated station: channels follow the ground truth, the global
// power modes and profile steps reach the loads, and a unit that dies is
// noticed, restarted and given its loads again.
#include <gtest/gtest.h>
#include <signal.h>

#include <cmath>
#include <ctime>
#include <filesystem>
#include <string>

#include "acquisition/data_system.h"
#include "clock.h"
#include "station_fixture.h"
#include "station_truth.h"
#include "test_support.h"
#include "unit_process.h"
#include "vn_sim/station_description.h"

using VN_Sample::DataSystem;
using VN_Test::Truth_T;

namespace {

// The default station's wiring tolerances of module 1's voltage and current.
const double VoltageTolerance1 = 0.0031;
const double CurrentTolerance1 = -0.0027;

class StationDataSystemEndToEnd : public ::testing::Test {
protected:
    StationDataSystemEndToEnd() : workingDir(station.Path()) {
        VN_Sim::StationDescription::Instance().SetUnitPort(station.UnitPort());
    }
    ~StationDataSystemEndToEnd() override {
        VN_Lib::StopUnitProgram();
        VN_Sim::StationDescription::Instance().Reset();
    }

    // Configuration as the controller loads it; the unit is not running yet,
    // so its source is offline until the first sampling pass retries it.
    void Configure() {
        ASSERT_EQ(0, system.SetSystemConfiguration("system_config.xml"));
        ASSERT_EQ(0, system.SetChannelConfiguration("chan_config.xml"));
        ASSERT_EQ(0, system.SetUserSettings("settings.xml"));
        ASSERT_EQ(4u, system.moduleChannels.size());
        system.offlineRetryInterval = 0;
        system.SampleDataChannels();
        ASSERT_TRUE(system.dataSources[0].Online()) << VN_Test::ReadFile(station.File("shell_journal.log"));
        system.offlineRetryInterval = 3600;
    }

    bool WaitForTruth(const std::function<bool(const Truth_T&)>& done, Truth_T* truth, int timeoutMs = 20000) {
        return VN_Test::WaitForTruth(station.File("sim_truth.xml"), done, timeoutMs, truth);
    }

    VN_Test::StationCopy station;
    VN_Test::ScopedWorkingDir workingDir;
    DataSystem system;
};

TEST_F(StationDataSystemEndToEnd, ChannelsFollowTheUnitWhichIsRestartedAfterItDied) {
    Configure();
    Truth_T truth;
    ASSERT_TRUE(WaitForTruth(VN_Test::AllFourTracking, &truth)) << "module 1 at " << truth.modules[1].power << " W";

    const VN_Sample::ModuleSample& sample = system.moduleChannels[1].sample;
    // Tracking keeps moving the operating point around the maximum, so the
    // unit's held readings are compared by their power; on a busy processor a
    // tracking step may fall between the voltage and the current reading, so
    // a few passes may be needed before one reads a settled point.
    const double gain = (1 + VoltageTolerance1) * (1 + CurrentTolerance1);
    const auto settledNearMaximum = [&] {
        system.SampleDataChannels();
        VN_Test::ReadTruth(station.File("sim_truth.xml"), &truth);
        return sample.IsValid() &&
               std::fabs(sample.GetPowerValue() - truth.modules[1].pmax * gain) <= 0.03 * truth.modules[1].pmax;
    };
    EXPECT_TRUE(VN_Test::WaitUntil(settledNearMaximum, 10000))
        << sample.GetPowerValue() << " W read, maximum " << truth.modules[1].pmax << " W";
    ASSERT_TRUE(sample.IsValid());
    EXPECT_GT(sample.voltage.value, 0.6 * truth.modules[1].voc);
    EXPECT_NEAR(system.auxInputChannels[1].sample.value, truth.irradiance, 0.02 * truth.irradiance);
    EXPECT_EQ(VN_Sample::TcTypeK, system.temperatureChannels[5].sample.tcType);

    // Learning the unit rewrites the channel configuration the station came with.
    std::filesystem::remove(station.File("chan_config.xml"));
    TiXmlDocument learned;
    ASSERT_EQ(0, system.LearnChannelConfiguration("chan_config.xml", learned));
    ASSERT_EQ(0, system.SetChannelConfiguration("chan_config.xml"));
    EXPECT_EQ(4u, system.moduleChannels.size());
    EXPECT_EQ(2u, system.auxInputChannels.size());
    EXPECT_EQ(5u, system.temperatureChannels.size());
    EXPECT_NE(std::string::npos, VN_Test::ReadFile(station.File("shell_journal.log")).find("cp -a chan_config.xml"));

    // The unit dies: the next pass finds it gone and invalidates its channels.
    const int pid = station.UnitPid();
    ASSERT_GT(pid, 0);
    ASSERT_EQ(0, kill(pid, SIGKILL));
    testing::internal::CaptureStdout();
    system.SampleDataChannels();
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, output.find("Offline error ")) << output;
    EXPECT_FALSE(system.dataSources[0].Online());
    EXPECT_FALSE(system.moduleChannels[1].sample.IsValid());

    // The retry starts it again and sends the loads before reading it.
    system.offlineRetryInterval = 0;
    testing::internal::CaptureStdout();
    system.SampleDataChannels();
    const std::string back = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, back.find("Online DS=0 at ")) << back;
    EXPECT_TRUE(system.dataSources[0].Online());
    EXPECT_NE(pid, station.UnitPid());
    EXPECT_TRUE(WaitForTruth(VN_Test::AllFourTracking, &truth)) << "module 1 at " << truth.modules[1].power << " W";
}

TEST_F(StationDataSystemEndToEnd, GlobalModesProfilesAndCurvesReachTheModules) {
    Configure();
    Truth_T truth;
    ASSERT_EQ(0, system.SetGlobalPowerMode(VN_Sample::PowerOpen));
    EXPECT_TRUE(WaitForTruth(
        [](const Truth_T& t) {
            for (const auto& m : t.modules) {
                if (m.second.current > 0.01) return false;
            }
            return true;
        },
        &truth));

    system.moduleChannels[1].loadConfiguration.fixedVoltage = 30.0;
    ASSERT_EQ(0, system.SetGlobalPowerMode(VN_Sample::PowerFixed));
    const double held = 30.0 / (1 + VoltageTolerance1);
    EXPECT_TRUE(WaitForTruth([held](const Truth_T& t) { return std::fabs(t.modules.at(1).voltage - held) < 0.2; },
                             &truth))
        << truth.modules[1].voltage;

    // Each channel's own settings: module 1 follows a profile whose step of
    // the moment holds it at 25 V; module 2 tracks.
    VN_Sample::ModuleChannel& profiled = system.moduleChannels[1];
    profiled.SetTrackingMode(VN_Sample::TrackProfile);
    profiled.voltageProfile = {{0, 25.0}};
    system.moduleChannels[2].SetTrackingMode(VN_Sample::TrackMaxPower);
    ASSERT_EQ(0, system.SetGlobalPowerMode(VN_Sample::PowerPerChannel));
    ASSERT_EQ(0, system.UpdateLoadProfiles());
    const double step = 25.0 / (1 + VoltageTolerance1);
    EXPECT_TRUE(WaitForTruth(
        [step](const Truth_T& t) {
            const VN_Test::TruthModule_T& m2 = t.modules.at(2);
            return std::fabs(t.modules.at(1).voltage - step) < 0.2 && m2.power > 0.97 * m2.pmax;
        },
        &truth))
        << truth.modules[1].voltage;

    // A curve on request, then every load off with one command.
    ASSERT_EQ(0, system.TakeIvCurve(2));
    const VN_Sample::IvCurve& curve = system.moduleChannels[2].curve;
    EXPECT_EQ("2", curve.ModuleID);
    EXPECT_GT(curve.Points.size(), 100u);
    EXPECT_NEAR(curve.PeakPower, truth.modules[2].pmax, 0.02 * truth.modules[2].pmax);
    ASSERT_EQ(0, system.SetGlobalPowerMode(VN_Sample::PowerAllOff));
    EXPECT_TRUE(WaitForTruth(
        [](const Truth_T& t) {
            for (const auto& m : t.modules) {
                if (m.second.dac != 0) return false;
            }
            return true;
        },
        &truth));
}

}  // namespace
