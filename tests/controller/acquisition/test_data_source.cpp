// The data source against a scripted unit on a loopback socket, and once
// against the unit program itself in a copy of the simulated station.
#include "acquisition/data_source.h"

#include <gtest/gtest.h>
#include <sys/time.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "clock.h"
#include "fake_unit.h"
#include "socket_control.h"
#include "sys_error.h"
#include "test_support.h"
#include "unit_process.h"

using VN_Sample::DataSource;

namespace {

using TemperatureList = std::vector<std::pair<int, std::string>>;

// The unit description as a unit of the given layout sends it.
VN_Lib::DataFrame Description(int layout, const std::string& version, const std::vector<int>& aux,
                              const TemperatureList& temperatures, const std::vector<int>& modules) {
    VN_Lib::DataFrame frame;
    frame.AddInt(layout);
    frame.AddString(version);
    frame.AddString("SN-7");
    frame.AddString("01/02/2025");
    frame.AddString("VN5");
    frame.AddInt(static_cast<int>(aux.size()));
    for (int id : aux) frame.AddInt(id);
    frame.AddInt(static_cast<int>(temperatures.size()));
    for (auto& temperature : temperatures) {
        frame.AddInt(temperature.first);
        if (layout == 2) frame.AddString(temperature.second);
    }
    frame.AddInt(static_cast<int>(modules.size()));
    for (int id : modules) frame.AddInt(id);
    return frame;
}

VN_Lib::DataFrame CurveFigures(int variant, double isc, double voc) {
    VN_Lib::DataFrame frame;
    if (variant == 1) {
        frame.AddDouble(isc);
        frame.AddDouble(voc);
        return frame;
    }
    frame.AddInt(variant);
    frame.AddInt(0);
    for (double value : {isc, 0.001, 32.767, voc, 0.002, 65.534}) frame.AddDouble(value);
    return frame;
}

// Runs the clock at a chosen local time: 05 Mar 2024 07:08:09 at installation.
class ShiftedClock {
public:
    ShiftedClock() {
        struct tm local = {};
        local.tm_year = 2024 - 1900;
        local.tm_mon = 2;
        local.tm_mday = 5;
        local.tm_hour = 7;
        local.tm_min = 8;
        local.tm_sec = 9;
        local.tm_isdst = -1;
        shift = mktime(&local) - time(nullptr);
        VN_Lib::SetClockFunction(&Read);
    }
    ~ShiftedClock() { VN_Lib::SetClockFunction(nullptr); }

private:
    static void Read(struct timeval* tv) {
        gettimeofday(tv, nullptr);
        tv->tv_sec += shift;
    }
    static time_t shift;
};
time_t ShiftedClock::shift = 0;

class DataSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto* link = new VN_Lib::SocketControl();
        source.SetPort(link);
        ASSERT_EQ(0, link->OpenClientSocket(unit.Port()));
        source.SetOnlineState(true);
    }

    // Aux inputs 1, 2; temperatures 1 (T), 2 (K); modules 1, 2.
    void Describe(const std::string& version) {
        unit.Answer(11, 0, Description(2, version, {1, 2}, {{1, "T"}, {2, "K"}}, {1, 2}));
        ASSERT_EQ(0, source.GetConfiguration());
    }

    std::string LastRequest() {
        auto requests = unit.Requests();
        return requests.empty() ? std::string() : requests.back();
    }

    VN_Test::FakeUnit unit;
    DataSource source;
};

TEST_F(DataSourceTest, DescriptionOfLayoutTwoCarriesThermocoupleTypes) {
    unit.Answer(11, 0,
                Description(2, "5.11", {4, 2}, {{1, "T"}, {2, "K"}, {3, "J"}, {4, "RTD"}, {5, "Unknown"}}, {1, 3}));
    ASSERT_EQ(0, source.GetConfiguration());
    EXPECT_EQ("11,", LastRequest());
    EXPECT_EQ("5.11", source.softwareVersion);
    EXPECT_EQ("SN-7", source.serialNumber);
    EXPECT_EQ("01/02/2025", source.buildDate);
    EXPECT_EQ("VN5", source.modelNumber);
    EXPECT_EQ(511, source.versionNumber);
    ASSERT_EQ(2u, source.auxInputSamples.size());
    EXPECT_EQ(1u, source.auxInputSamples.count(4));
    const int expected[] = {VN_Sample::TcTypeT, VN_Sample::TcTypeK, VN_Sample::TcTypeJ, VN_Sample::TcRtd,
                            VN_Sample::TcUnknown};
    ASSERT_EQ(5u, source.temperatureSamples.size());
    for (int id = 1; id <= 5; ++id) EXPECT_EQ(expected[id - 1], source.temperatureSamples[id].tcType) << id;
    ASSERT_EQ(2u, source.moduleSamples.size());
    EXPECT_EQ(1u, source.moduleSamples.count(3));
}

TEST_F(DataSourceTest, DescriptionOfLayoutOneHasNoTypeStrings) {
    unit.Answer(11, 0, Description(1, "5.07", {}, {{3, ""}, {4, ""}}, {7}));
    ASSERT_EQ(0, source.GetConfiguration());
    ASSERT_EQ(2u, source.temperatureSamples.size());
    EXPECT_EQ(VN_Sample::TcUnknown, source.temperatureSamples[3].tcType);
    EXPECT_EQ(VN_Sample::TcUnknown, source.temperatureSamples[4].tcType);
    ASSERT_EQ(1u, source.moduleSamples.size());
    EXPECT_EQ(1u, source.moduleSamples.count(7));
    EXPECT_EQ(507, source.versionNumber);
}

TEST_F(DataSourceTest, TruncatedDescriptionIsAnError) {
    VN_Lib::DataFrame cut;
    cut.AddInt(2);
    cut.AddString("5.11");
    cut.AddString("SN-7");
    unit.Answer(11, 0, cut);
    EXPECT_EQ(VN_Lib::ERR_SHORT_FRAME, source.GetConfiguration());
    EXPECT_TRUE(source.moduleSamples.empty());
    EXPECT_TRUE(source.Online());
}

TEST_F(DataSourceTest, SampleRecordFillsEverySample) {
    Describe("5.11");
    VN_Lib::DataFrame record;
    record.AddInt(1);
    record.AddByte('T');
    record.AddInt(2);
    record.AddByte(1);
    record.AddDouble(25.5);
    record.AddByte(2);
    record.AddDouble(30.25);
    record.AddByte('X');
    record.AddInt(1);
    record.AddByte(2);
    record.AddDouble(812.0);
    record.AddByte('M');
    record.AddInt(1);
    record.AddByte(2);
    record.AddDouble(8.5);
    record.AddDouble(31.2);
    record.AddByte('E');
    unit.Answer(101, 0, record);
    ASSERT_EQ(0, source.ReadAllSampleData());
    EXPECT_EQ("101,A,R", LastRequest());
    EXPECT_DOUBLE_EQ(25.5, source.temperatureSamples[1].value);
    EXPECT_DOUBLE_EQ(30.25, source.temperatureSamples[2].value);
    EXPECT_DOUBLE_EQ(812.0, source.auxInputSamples[2].value);
    EXPECT_DOUBLE_EQ(8.5, source.moduleSamples[2].current.value);
    EXPECT_DOUBLE_EQ(31.2, source.moduleSamples[2].voltage.value);
    // Inputs the unit left out are not kept from before.
    EXPECT_FALSE(source.auxInputSamples[1].valid);
    EXPECT_FALSE(source.moduleSamples[1].IsValid());
}

TEST_F(DataSourceTest, UnlistedIdStopsTheRecordWith20) {
    Describe("5.11");
    VN_Lib::DataFrame record;
    record.AddInt(1);
    record.AddByte('T');
    record.AddInt(3);
    record.AddByte(1);
    record.AddDouble(21.0);
    record.AddByte(9);
    record.AddDouble(22.0);
    record.AddByte(2);
    record.AddDouble(23.0);
    record.AddByte('M');
    record.AddInt(1);
    record.AddByte(1);
    record.AddDouble(1.0);
    record.AddDouble(2.0);
    record.AddByte('E');
    unit.Answer(101, 0, record);
    EXPECT_EQ(DataSource::ErrNoSample, source.ReadAllSampleData());
    EXPECT_TRUE(source.temperatureSamples[1].valid);
    EXPECT_DOUBLE_EQ(21.0, source.temperatureSamples[1].value);
    EXPECT_FALSE(source.temperatureSamples[2].valid);
    EXPECT_FALSE(source.moduleSamples[1].IsValid());
    EXPECT_TRUE(source.Online());
}

TEST_F(DataSourceTest, MalformedSampleRecordsAreRefused) {
    Describe("5.11");
    // An unknown tag stops the record even when it announces no entries.
    VN_Lib::DataFrame unknownTag;
    unknownTag.AddInt(1);
    unknownTag.AddByte('Q');
    unknownTag.AddInt(0);
    unknownTag.AddByte('T');
    unknownTag.AddInt(1);
    unknownTag.AddByte(1);
    unknownTag.AddDouble(20.0);
    unknownTag.AddByte('E');
    unit.Answer(101, 0, unknownTag);
    EXPECT_EQ(DataSource::ErrNoSample, source.ReadAllSampleData());
    EXPECT_FALSE(source.temperatureSamples[1].valid);

    // A module entry cut after its current stores nothing.
    VN_Lib::DataFrame cut;
    cut.AddInt(1);
    cut.AddByte('M');
    cut.AddInt(1);
    cut.AddByte(1);
    cut.AddDouble(3.0);
    unit.Answer(101, 0, cut);
    EXPECT_EQ(VN_Lib::ERR_SHORT_FRAME, source.ReadAllSampleData());
    EXPECT_FALSE(source.moduleSamples[1].current.valid);
    EXPECT_TRUE(source.Online());
}

TEST_F(DataSourceTest, OfflineSourceAnswers26WithoutTraffic) {
    Describe("5.11");
    source.SetOnlineState(false);
    size_t before = unit.BytesReceived();
    VN_Sample::IvCurve curve;
    VN_Lib::CalReportRecord record;
    std::string version;
    testing::internal::CaptureStdout();
    EXPECT_EQ(DataSource::ErrOffline, source.GetVersion(version));
    EXPECT_EQ(DataSource::ErrOffline, source.ReadAllSampleData());
    EXPECT_EQ(DataSource::ErrOffline, source.SetLoad(1, VN_Sample::LoadConfiguration_T()));
    EXPECT_EQ(DataSource::ErrOffline, source.SetAllLoadsOff());
    EXPECT_EQ(DataSource::ErrOffline, source.TakeIvCurve(1, curve));
    EXPECT_EQ(DataSource::ErrOffline, source.CalibrateModuleVoltage(record));
    EXPECT_EQ(DataSource::ErrOffline, source.LoadCalibration(VN_Lib::CAL_AUX_INPUT));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(before, unit.BytesReceived());
    EXPECT_TRUE(source.calibrationReport.module_voltages.empty());
}

TEST_F(DataSourceTest, TimeOutPutsTheSourceOfflineWithTheOfflineLine) {
    Describe("5.11");
    ShiftedClock clock;
    unit.Ignore();
    VN_Sample::LoadConfiguration_T configuration;
    testing::internal::CaptureStdout();
    EXPECT_EQ(VN_Lib::ERR_TIMEOUT, source.SetLoad(1, configuration));
    std::string output = testing::internal::GetCapturedStdout();
    // The time-out itself takes a second of the shifted clock.
    auto line = [](int second) {
        return "Offline error 12 in SetLoad() at 7:8:" + std::to_string(second) + "  3/5/2024\n";
    };
    EXPECT_TRUE(output == line(9) || output == line(10) || output == line(11)) << output;
    EXPECT_FALSE(source.Online());

    size_t before = unit.BytesReceived();
    testing::internal::CaptureStdout();
    EXPECT_EQ(DataSource::ErrOffline, source.ReadAllSampleData());
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(before, unit.BytesReceived());
}

// A unit killed during a long exchange closes its link: the step ends then,
// not after its reply's time-out, and the next sample pass finds the unit
// gone, so the offline retry can start it again without delay.
TEST_F(DataSourceTest, UnitEndingDuringACalibrationStepIsSeenGoneAtOnce) {
    Describe("5.11");
    unit.Vanish();
    VN_Lib::CalReportRecord record;
    EXPECT_EQ(VN_Lib::ERR_LINK_NOT_OPEN, source.CalibrateModuleVoltage(record));
    EXPECT_TRUE(source.calibrationReport.module_voltages.empty());

    testing::internal::CaptureStdout();
    EXPECT_EQ(VN_Lib::ERR_LINK_NOT_OPEN, source.ReadAllSampleData());
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_NE(output.find("Offline error 10 in ReadAllSampleData()"), std::string::npos) << output;
    EXPECT_FALSE(source.Online());
}

TEST_F(DataSourceTest, UnitErrorCodeKeepsTheSourceOnline) {
    Describe("5.11");
    unit.Answer('E', 701);
    EXPECT_EQ(701, source.SetLoad(2, VN_Sample::LoadConfiguration_T()));
    EXPECT_TRUE(source.Online());
}

TEST_F(DataSourceTest, VoltageProfileIsSentAsFixedVoltage) {
    Describe("5.11");
    VN_Sample::LoadConfiguration_T configuration;
    configuration.mode = VN_Sample::TrackProfile;
    configuration.fixedVoltage = 25.5;
    unit.Answer(42, 0);
    EXPECT_EQ(0, source.SetLoad(2, configuration));
    EXPECT_EQ("42,2,2,25.500000,100,0.400000,0.100000", LastRequest());

    // A module the unit does not have is left alone.
    size_t requests = unit.Requests().size();
    EXPECT_EQ(0, source.SetLoad(9, configuration));
    EXPECT_EQ(requests, unit.Requests().size());
}

TEST_F(DataSourceTest, OldUnitsGetTheBasicCurveAndNoLoadsOff) {
    Describe("5.06");
    EXPECT_EQ(DataSource::ErrTooOld, source.SetAllLoadsOff());
    EXPECT_EQ(1u, unit.Requests().size());

    Describe("5.07");
    unit.Answer(43, 0);
    EXPECT_EQ(0, source.SetAllLoadsOff());
    EXPECT_EQ("43,", LastRequest());

    VN_Lib::DataFrame record = CurveFigures(1, 9.0, 38.0);
    record.AddInt(2);
    for (double value : {0.0, 9.0, 38.0, 0.0}) record.AddDouble(value);
    unit.Answer(150, 0, record);
    VN_Sample::IvCurve curve;
    ASSERT_EQ(0, source.TakeIvCurve(1, curve));
    EXPECT_EQ("150,1", LastRequest());
    EXPECT_DOUBLE_EQ(9.0, curve.Isc);
    EXPECT_DOUBLE_EQ(38.0, curve.Voc);
    ASSERT_EQ(2u, curve.Points.size());
    EXPECT_DOUBLE_EQ(0.0, curve.Points[0].volts);
    EXPECT_DOUBLE_EQ(9.0, curve.Points[0].amps);
    EXPECT_DOUBLE_EQ(38.0, curve.Points[1].volts);
}

TEST_F(DataSourceTest, NewerUnitsGetTheAdvancedCurve) {
    Describe("5.08");
    VN_Lib::DataFrame record = CurveFigures(2, 9.0, 40.0);
    record.AddInt(3);
    for (double value : {0.0, 9.0, 30.0, 8.0, 40.0, 0.0}) record.AddDouble(value);
    unit.Answer(151, 0, record);
    VN_Sample::IvCurve curve;
    ASSERT_EQ(0, source.TakeIvCurve(2, curve));
    EXPECT_EQ("151,2", LastRequest());
    EXPECT_DOUBLE_EQ(9.0, curve.Isc);
    EXPECT_DOUBLE_EQ(0.001, curve.Current_Resolution);
    EXPECT_DOUBLE_EQ(32.767, curve.Current_Range);
    EXPECT_DOUBLE_EQ(40.0, curve.Voc);
    EXPECT_DOUBLE_EQ(0.002, curve.Voltage_Resolution);
    EXPECT_DOUBLE_EQ(65.534, curve.Voltage_Range);
    ASSERT_EQ(3u, curve.Points.size());
    EXPECT_DOUBLE_EQ(240.0, curve.PeakPower);
    EXPECT_NEAR(100.0 * 240.0 / 360.0, curve.FillFactor, 1e-9);
}

TEST_F(DataSourceTest, NegativePointCountGivesAnEmptyCurve) {
    Describe("5.11");
    VN_Lib::DataFrame record = CurveFigures(2, 9.0, 40.0);
    record.AddInt(-3);
    unit.Answer(151, 0, record);
    VN_Sample::IvCurve curve;
    VN_Sample::IvPointType old;
    old.volts = 10.0;
    old.amps = 5.0;
    curve.AddPoint(old);
    curve.FillFactor = 55.0;
    ASSERT_EQ(0, source.TakeIvCurve(1, curve));
    EXPECT_TRUE(curve.Points.empty());
    // The old curve's peak is gone with its points.
    EXPECT_DOUBLE_EQ(0.0, curve.PeakPower);
    EXPECT_DOUBLE_EQ(0.0, curve.FillFactor);
}

TEST_F(DataSourceTest, MalformedCurveRecordsGive311) {
    Describe("5.11");
    VN_Sample::IvCurve curve;
    unit.Answer(151, 0, CurveFigures(3, 9.0, 40.0));
    EXPECT_EQ(DataSource::ErrBadCurve, source.TakeIvCurve(1, curve));

    VN_Lib::DataFrame cut = CurveFigures(2, 9.0, 40.0);
    cut.AddInt(1000000);
    cut.AddDouble(1.0);
    cut.AddDouble(9.0);
    cut.AddDouble(2.0);
    unit.Answer(151, 0, cut);
    EXPECT_EQ(DataSource::ErrBadCurve, source.TakeIvCurve(1, curve));
    EXPECT_EQ(1u, curve.Points.size());

    size_t requests = unit.Requests().size();
    EXPECT_EQ(DataSource::ErrNoSample, source.TakeIvCurve(5, curve));
    EXPECT_EQ(requests, unit.Requests().size());
    EXPECT_TRUE(source.Online());
}

TEST_F(DataSourceTest, ConfigurationStringCutsLinesToTheirBuffer) {
    Describe("5.11");
    source.serialNumber = std::string(300, 'S');
    std::string text;
    source.ConfigurationString(text);
    std::istringstream lines(text);
    std::vector<std::string> all;
    for (std::string line; std::getline(lines, line);) all.push_back(line);
    ASSERT_EQ(7u, all.size());
    EXPECT_EQ("Software Version:\t5.11", all[0]);
    EXPECT_EQ(0u, all[1].find("Serial Number:\tSSS"));
    EXPECT_EQ(74u, all[1].size());
    EXPECT_EQ("Number of Modules:\t2", all[4]);
    EXPECT_EQ("Number of Temperatures:\t2", all[6]);
    EXPECT_EQ('\n', text.back());
}

TEST_F(DataSourceTest, CalibrationStepsAreFiledInTheReport) {
    Describe("5.11");
    VN_Lib::CalReportRecord returned;
    returned.type = VN_Lib::CAL_MODULE_VOLTAGE;
    returned.local_id = 3;
    returned.actual_value = 12.5;
    returned.before_value = 12.25;
    returned.after_value = 12.5;
    returned.num_samples = 50;
    returned.adjust = true;
    std::string xml;
    returned.GetXmlString(xml);
    VN_Lib::DataFrame fields;
    fields.AddString(xml);
    unit.Answer(201, 0, fields);

    VN_Lib::CalReportRecord record;
    record.local_id = 3;
    record.actual_value = 12.5;
    record.adjust = true;
    ASSERT_EQ(0, source.CalibrateModuleVoltage(record));
    EXPECT_EQ("201,10,3,12.500000,100,16667,1", LastRequest());
    EXPECT_DOUBLE_EQ(12.25, record.before_value);
    EXPECT_EQ(50, record.num_samples);
    ASSERT_EQ(1u, source.calibrationReport.module_voltages[3].size());

    // A reply without a record files the values sent.
    unit.Answer(201, 0);
    VN_Lib::CalReportRecord measured;
    measured.local_id = 3;
    measured.actual_value = 12.5;
    ASSERT_EQ(0, source.CalibrateModuleVoltage(measured));
    EXPECT_EQ(100, measured.num_samples);
    EXPECT_EQ(16667, measured.avg_period);
    EXPECT_EQ(2u, source.calibrationReport.module_voltages[3].size());

    // A failed step is not filed.
    unit.Answer('E', 400);
    VN_Lib::CalReportRecord failed;
    EXPECT_EQ(400, source.CalibrateAuxInput(failed));
    EXPECT_TRUE(source.calibrationReport.aux_inputs.empty());

    unit.Answer(202, 0);
    EXPECT_EQ(0, source.SaveCalibration(VN_Lib::CAL_MODULE_CURRENT, "03/04/2025"));
    EXPECT_EQ("202,20,03/04/2025", LastRequest());
    unit.Answer(205, 0);
    EXPECT_EQ(0, source.LoadCalibration(VN_Lib::CAL_AUX_INPUT));
    EXPECT_EQ("205,40", LastRequest());

    EXPECT_EQ(0, source.RestartCalibrationReport());
    EXPECT_TRUE(source.calibrationReport.module_voltages.empty());
    EXPECT_EQ("SN-7", source.calibrationReport.serial_number);
}

TEST(DataSourceLink, GoOnlineWithoutALinkStaysOffline) {
    DataSource source;
    testing::internal::CaptureStdout();
    EXPECT_EQ(VN_Lib::ERR_LINK_NOT_OPEN, source.GoOnline());
    std::string output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(0u, output.find("Offline error 10 in GoOnline() at ")) << output;
    EXPECT_FALSE(source.Online());
}

// Stops the unit program this process started, whatever the test's outcome.
struct UnitProgramGuard {
    ~UnitProgramGuard() { VN_Lib::StopUnitProgram(); }
};

// A station folder for the unit program on a free port, and a data source
// linked to it (nothing listens yet: the link only learns its port).
void LocalUnitStation(const VN_Test::TempDir& dir, DataSource& source) {
    std::filesystem::copy(std::string(VN_SOURCE_DIR) + "/sim_station", dir.Path(),
                          std::filesystem::copy_options::recursive);
    int port = VN_Test::FreeTcpPort();
    std::string config = VN_Test::ReadFile(dir.File("hw_config.xml"));
    size_t at = config.find("port=\"3010\"");
    ASSERT_NE(std::string::npos, at);
    config.replace(at, 11, "port=\"" + std::to_string(port) + "\"");
    VN_Test::WriteFile(dir.File("hw_config.xml"), config);
    auto* link = new VN_Lib::SocketControl();
    source.SetPort(link);
    link->OpenClientSocket(port);
    source.SetActiveState(true);
}

// On a busy computer the unit program may take longer than the start wait:
// it is asked again rather than left offline for a retry interval.
TEST(DataSourceRealUnitEndToEnd, AUnitProgramSlowToStartIsWaitedFor) {
    VN_Test::TempDir dir;
    DataSource source;
    LocalUnitStation(dir, source);
    VN_Test::WriteFile(dir.File("vn_firmware"), std::string("#!/bin/sh\nsleep 8\nexec ") + VN_FIRMWARE_PATH + "\n");
    std::filesystem::permissions(dir.File("vn_firmware"), std::filesystem::perms::owner_all);
    VN_Test::ScopedWorkingDir workingDir(dir.Path());
    UnitProgramGuard guard;
    testing::internal::CaptureStdout();
    const int result = source.GoOnline();
    const std::string output = testing::internal::GetCapturedStdout();
    ASSERT_EQ(0, result) << output;
    EXPECT_TRUE(source.Online());
    EXPECT_EQ(4u, source.moduleSamples.size());
}

TEST(DataSourceRealUnitEndToEnd, TalksToTheUnitProgram) {
    VN_Test::TempDir dir;
    DataSource source;
    LocalUnitStation(dir, source);
    std::filesystem::create_symlink(VN_FIRMWARE_PATH, dir.File("vn_firmware"));
    VN_Test::ScopedWorkingDir workingDir(dir.Path());
    UnitProgramGuard guard;

    ASSERT_EQ(0, source.GoOnline()) << VN_Test::ReadFile(dir.File("shell_journal.log"));
    EXPECT_TRUE(source.Online());
    EXPECT_EQ(511, source.versionNumber);
    EXPECT_EQ("SIM-0001", source.serialNumber);
    EXPECT_EQ("VN5-SIM", source.modelNumber);
    EXPECT_EQ(4u, source.moduleSamples.size());
    EXPECT_EQ(2u, source.auxInputSamples.size());
    ASSERT_EQ(5u, source.temperatureSamples.size());
    EXPECT_EQ(VN_Sample::TcTypeT, source.temperatureSamples[1].tcType);
    EXPECT_EQ(VN_Sample::TcTypeK, source.temperatureSamples[5].tcType);

    ASSERT_EQ(0, source.SampleAll());
    for (auto& entry : source.moduleSamples) {
        EXPECT_TRUE(entry.second.IsValid()) << entry.first;
        EXPECT_GT(entry.second.voltage.value, 1.0) << entry.first;
    }
    EXPECT_TRUE(source.temperatureSamples[1].valid);
    EXPECT_GT(source.temperatureSamples[1].value, -40.0);
    EXPECT_LT(source.temperatureSamples[1].value, 90.0);

    VN_Sample::IvCurve curve;
    ASSERT_EQ(0, source.TakeIvCurve(1, curve));
    EXPECT_GT(curve.Points.size(), 10u);
    EXPECT_GT(curve.Isc, 0.5);
    EXPECT_GT(curve.Voc, 20.0);
    EXPECT_GT(curve.Voltage_Range, curve.Voc);
    EXPECT_GT(curve.FillFactor, 50.0);
    EXPECT_LT(curve.FillFactor, 90.0);

    // A fixed voltage set through the data source shows in the unit's readings.
    VN_Sample::LoadConfiguration_T configuration;
    configuration.mode = VN_Sample::TrackFixedVoltage;
    configuration.fixedVoltage = 0.7 * curve.Voc;
    ASSERT_EQ(0, source.SetLoad(1, configuration));
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    double voltage = 0.0;
    while (std::chrono::steady_clock::now() < end) {
        ASSERT_EQ(0, source.SampleAll());
        voltage = source.moduleSamples[1].voltage.value;
        if (std::fabs(voltage - configuration.fixedVoltage) < 1.0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    EXPECT_NEAR(configuration.fixedVoltage, voltage, 1.0);
}

}  // namespace
