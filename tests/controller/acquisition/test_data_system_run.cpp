// The data system's run time against scripted units: global power modes,
// curve queues worked off one curve per pass, the sampling pass with an
// offline unit brought back.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "acquisition/data_system.h"
#include "fake_unit.h"
#include "socket_control.h"
#include "test_support.h"

using VN_Sample::DataSystem;
using VN_Sample::ModuleChannel;

namespace {

// A compact curve record (layout version 2) with no points.
VN_Lib::DataFrame EmptyCurve() {
    VN_Lib::DataFrame frame;
    frame.AddInt(2);
    frame.AddInt(0);
    for (double value : {8.5, 0.0003, 10.0, 37.0, 0.002, 60.0}) frame.AddDouble(value);
    frame.AddInt(0);
    return frame;
}

// One data source (id 1) on a scripted unit with module ids 1..modules,
// online and active, and a module channel for each.
class DataSystemRunTest : public ::testing::Test {
protected:
    void Attach(int modules, int version) {
        VN_Sample::DataSource& source = system.dataSources[1];
        auto link = std::make_unique<VN_Lib::SocketControl>();
        ASSERT_EQ(link->OpenClientSocket(unit.Port()), 0);
        source.SetPort(link.release());
        source.versionNumber = version;
        for (int id = 1; id <= modules; ++id) {
            source.moduleSamples[id];
            ModuleChannel& channel = system.moduleChannels[DataSystem::GetChannelId(1, id)];
            channel.dataSourceId = 1;
            channel.localId = id;
        }
        source.SetOnlineState(true);
        source.SetActiveState(true);
    }

    std::vector<std::string> Requests() { return unit.Requests(); }

    VN_Test::FakeUnit unit;
    DataSystem system;
};

TEST_F(DataSystemRunTest, GlobalPowerModesReachEveryModule) {
    Attach(2, 511);
    system.moduleChannels[101].loadConfiguration.mode = 3;  // its own voltage profile
    system.moduleChannels[101].loadConfiguration.fixedVoltage = 30.0;
    for (int i = 0; i < 7; ++i) unit.Answer(42, 0);
    unit.Answer(43, 0);

    system.SetGlobalPowerMode(VN_Sample::PowerTrack);
    system.SetGlobalPowerMode(VN_Sample::PowerPerChannel);
    system.SetGlobalPowerMode(7);  // unknown: open circuit
    system.SetGlobalPowerMode(VN_Sample::PowerAllOff);
    const std::vector<std::string> requests = Requests();
    ASSERT_EQ(requests.size(), 7u);
    EXPECT_EQ(requests[0], "42,1,1,30.000000,100,0.400000,0.100000");
    EXPECT_EQ(requests[1], "42,2,1,1000.000000,100,0.400000,0.100000");
    // A profile channel is held at a fixed voltage by the unit.
    EXPECT_EQ(requests[2], "42,1,2,30.000000,100,0.400000,0.100000");
    EXPECT_EQ(requests[3], "42,2,0,1000.000000,100,0.400000,0.100000");
    EXPECT_EQ(requests[4], "42,1,0,30.000000,100,0.400000,0.100000");
    EXPECT_EQ(requests[6], "43,");
}

TEST_F(DataSystemRunTest, AllLoadsOffOnAnOldUnitGoesModuleByModule) {
    Attach(2, 506);
    unit.Answer(42, 0);
    unit.Answer(42, 0);
    system.SetGlobalPowerMode(VN_Sample::PowerAllOff);
    const std::vector<std::string> requests = Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].substr(0, 7), "42,1,0,");
    EXPECT_EQ(requests[1].substr(0, 7), "42,2,0,");
}

TEST_F(DataSystemRunTest, CurveModesChooseTheQueuedModules) {
    Attach(3, 511);
    system.moduleChannels[102].curveEnabled = true;
    system.SetGlobalCurveMode(VN_Sample::CurvesEnabled);
    system.InitializeAutoCurvesQueue();
    ASSERT_EQ(system.autoCurves.entries.size(), 1u);
    EXPECT_EQ(system.autoCurves.entries[0].channel_id, 102);
    system.SetGlobalCurveMode(VN_Sample::CurvesAll);
    system.InitializeAutoCurvesQueue();
    EXPECT_EQ(system.autoCurves.entries.size(), 3u);
    system.SetGlobalCurveMode(VN_Sample::CurvesNone);
    system.InitializeAutoCurvesQueue();
    EXPECT_TRUE(system.autoCurves.AtEnd());
}

TEST_F(DataSystemRunTest, AutomaticCurvesGoFirstAndEachIsClosedOnePassLater) {
    Attach(2, 511);
    system.moduleChannels[101].irradianceIds = {5};  // names no channel: skipped
    system.SetGlobalCurveMode(VN_Sample::CurvesAll);
    system.InitializeManualCurvesQueue({102});
    system.InitializeAutoCurvesQueue();
    unit.Answer(151, 0, EmptyCurve());
    unit.Answer('E', 703);  // the unit fails the second sweep
    unit.Answer(151, 0, EmptyCurve());
    unit.Answer(151, 0, EmptyCurve());

    int channel = -1;
    EXPECT_EQ(system.TakeNextIvCurve(&channel), 0);  // begins auto 101
    EXPECT_EQ(channel, -1);
    EXPECT_EQ(system.autoCurves.entries[0].curve_state, VN_Sample::CurvePending);

    EXPECT_EQ(system.TakeNextIvCurve(&channel), 0);  // closes 101, begins auto 102
    EXPECT_EQ(channel, 101);
    EXPECT_EQ(system.autoCurves.entries[0].curve_state, VN_Sample::CurveTaken);
    EXPECT_EQ(system.moduleChannels[101].curve.ModuleID, "101");
    EXPECT_DOUBLE_EQ(system.moduleChannels[101].curve.Isc, 8.5);

    EXPECT_EQ(system.TakeNextIvCurve(&channel), 703);  // closes 102, begins manual 102
    EXPECT_EQ(channel, 102);
    EXPECT_EQ(system.autoCurves.entries[1].curve_state, VN_Sample::CurveFailed);
    EXPECT_EQ(system.autoCurves.entries[1].curve_error, 703);
    EXPECT_EQ(system.manualCurves.entries[0].curve_state, VN_Sample::CurvePending);

    // The manual queue is rebuilt before its curve is closed: the new queue's
    // entry at the same place is not the one taken and stays pending.
    system.InitializeManualCurvesQueue({101});
    EXPECT_EQ(system.TakeNextIvCurve(&channel), 0);
    EXPECT_EQ(channel, 102);
    ASSERT_EQ(system.manualCurves.entries.size(), 1u);
    EXPECT_EQ(system.manualCurves.entries[0].curve_state, VN_Sample::CurvePending);

    const std::vector<std::string> requests = Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0], "151,1");
    EXPECT_EQ(requests[1], "151,2");
    EXPECT_EQ(requests[2], "151,2");
    EXPECT_EQ(requests[3], "151,1");
}

TEST_F(DataSystemRunTest, ChannelsOfAnOfflineUnitAreInvalidatedAndSpoilTheirAverage) {
    Attach(1, 511);
    ModuleChannel& channel = system.moduleChannels[101];
    VN_Lib::DataFrame record;
    record.AddInt(1);
    record.AddByte('M');
    record.AddInt(1);
    record.AddByte(1);
    record.AddDouble(8.0);
    record.AddDouble(30.0);
    record.AddByte('E');
    unit.Answer(101, 0, record);
    system.SampleDataChannels();
    EXPECT_DOUBLE_EQ(channel.sample.voltage.value, 30.0);
    EXPECT_DOUBLE_EQ(channel.sample.GetPowerValue(), 240.0);

    system.dataSources[1].SetOnlineState(false);
    system.offlineRetryInterval = 3600;
    system.SampleDataChannels();
    EXPECT_FALSE(channel.sample.IsValid());
    system.AverageDataChannels();
    EXPECT_FALSE(channel.sample.IsAverageValid());
    EXPECT_DOUBLE_EQ(channel.sample.averagePower, VN_Sample::InvalidValue);
}

}  // namespace
