// Calibration commands 201, 202, 203 and 205 on the unit's hardware model,
// built from the shipped station folder and checked against the simulated
// station's ground truth.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>

#include "cal_report_record.h"
#include "cal_type.h"
#include "command_handlers.h"
#include "hardware_model.h"
#include "platform.h"
#include "sys_error.h"
#include "test_support.h"
#include "vn_sim/station/station_installer.h"

using VN_Lib::CalReportRecord;
using VN_Lib::Vantrel;

namespace {

// Short averaging keeps a step quick; the noise still averages out over the readings.
const char* const Readings = "20,2000";

class CalibrationProcedureTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy(std::string(VN_SOURCE_DIR) + "/sim_station", dir.Path(),
                              std::filesystem::copy_options::recursive);
        ASSERT_EQ(0, VN_Lib::InitPlatform("vn_firmware"));
        ASSERT_NE(nullptr, VN_Sim::InstalledStation());
        StartUnit();
    }
    void TearDown() override {
        handlers.reset();
        unit.reset();
        VN_Sim::RemoveStation();
    }

    // As the unit program starts: the model from hw_config.xml, which loads the tables.
    void StartUnit() {
        handlers.reset();
        unit.reset();
        unit = std::make_unique<Vantrel>();
        TiXmlDocument document;
        ASSERT_TRUE(document.LoadFile(dir.File("hw_config.xml").c_str()));
        ASSERT_EQ(0, unit->Initialize(document));
        handlers = std::make_unique<CommandHandlers>(*unit, response, updateAll);
    }

    int Send(const std::string& line) {
        CommandMessage command;
        for (char c : line) command.AddChar(c);
        command.AddChar('\r');
        response.Clear();
        return handlers->Dispatch(command);
    }

    // A 201 request; the record comes back in the response whatever the result.
    int Calibrate(int type, int id, double reference, bool adjust, CalReportRecord* record) {
        char line[128];
        std::snprintf(line, sizeof line, "201,%i,%i,%f,%s,%i", type, id, reference, Readings, adjust ? 1 : 0);
        int result = Send(line);
        std::string text;
        EXPECT_EQ(0, response.ExtractString(text));
        TiXmlDocument document;
        document.Parse(text.c_str());
        EXPECT_NE(nullptr, document.RootElement()) << text;
        if (document.RootElement() != nullptr) record->Initialize(*document.RootElement());
        return result;
    }

    Measurement& ModuleVoltage(int id) { return unit->FindModule(id)->ModuleMeasurement().Voltage(); }
    Measurement& ModuleCurrent(int id) { return unit->FindModule(id)->ModuleMeasurement().Current(); }

    VN_Sim::ModuleState_T Truth(int id) {
        VN_Sim::ModuleState_T state;
        EXPECT_EQ(0, VN_Sim::InstalledStation()->Model().Module(id, &state));
        return state;
    }

    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir workingDir{dir.Path()};
    std::unique_ptr<Vantrel> unit;
    VN_Lib::DataFrame response;
    bool updateAll = false;
    std::unique_ptr<CommandHandlers> handlers;
};

TEST_F(CalibrationProcedureTest, UnknownChannelsAndTypesStillReturnTheRecordSent) {
    CalReportRecord record;
    EXPECT_EQ(VN_Lib::ERR_UNKNOWN_MODULE, Calibrate(VN_Lib::CAL_MODULE_VOLTAGE, 99, 12.5, true, &record));
    EXPECT_EQ(VN_Lib::CAL_MODULE_VOLTAGE, record.type);
    EXPECT_EQ(99, record.local_id);
    EXPECT_DOUBLE_EQ(12.5, record.actual_value);
    EXPECT_EQ(20, record.num_samples);
    EXPECT_EQ(2000, record.avg_period);
    EXPECT_TRUE(record.adjust);

    EXPECT_EQ(VN_Lib::ERR_UNKNOWN_AUX_INPUT, Calibrate(VN_Lib::CAL_AUX_INPUT, 9, 1.0, false, &record));
    EXPECT_EQ(Vantrel::ErrBadCalType, Calibrate(400, 1, 1.0, true, &record));
    EXPECT_EQ(400, record.type);
    // Temperature calibrates nothing and measures nothing.
    EXPECT_EQ(0, Calibrate(VN_Lib::CAL_TEMPERATURE, 1, 25.0, true, &record));
    EXPECT_EQ(0.0, record.after_value);

    EXPECT_EQ(Vantrel::ErrBadCalType, Send("202,400,12/07/2026"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("cal_files/.txt")));
    EXPECT_EQ(Vantrel::ErrBadCalType, Send("205,400"));
}

TEST_F(CalibrationProcedureTest, MeasureOnlyAfterStartUpReadsTheSameWithBothFactors) {
    CalReportRecord record;
    ASSERT_EQ(0, Calibrate(VN_Lib::CAL_MODULE_VOLTAGE, 2, 30.0, false, &record));
    EXPECT_EQ("V", record.units);
    EXPECT_EQ(record.before_constant, record.after_constant);
    EXPECT_DOUBLE_EQ(record.before_value, record.after_value);
    EXPECT_DOUBLE_EQ(10.0, ModuleVoltage(2).ConversionFactor());  // as the shipped file
    EXPECT_NEAR(Truth(2).operating.voltage, record.after_value, 0.01 * record.after_value + 0.05);
}

TEST_F(CalibrationProcedureTest, AdjustingDividesTheReferenceByTheRawMean) {
    // The pyranometer's raw volts, whatever its factor...
    Measurement* input = unit->FindAuxInput(1);
    ASSERT_NE(nullptr, input);
    ASSERT_EQ(0, input->Update(2000));
    double rawVolts = input->Volts();
    ASSERT_GT(std::fabs(rawVolts), 1e-4);
    // ...so a reference of five times the raw mean gives a factor of 5.
    CalReportRecord record;
    ASSERT_EQ(0, Calibrate(VN_Lib::CAL_AUX_INPUT, 1, 5.0 * rawVolts, true, &record));
    EXPECT_EQ("?", record.units);
    EXPECT_NEAR(5.0, input->ConversionFactor(), 0.005);
    // (The record carries seven significant digits.)
    EXPECT_NEAR(input->ConversionFactor(), record.after_constant, 1e-5);
    EXPECT_NEAR(input->BeforeConversionFactor(), record.before_constant, 1e-6 * record.before_constant);
    EXPECT_NEAR(5.0 * rawVolts, record.after_value, 0.005 * std::fabs(rawVolts));
    // The before reading is the same mean with the saved factor.
    EXPECT_NEAR(record.after_value * record.before_constant / record.after_constant, record.before_value,
                1e-5 * std::fabs(record.before_value));
}

TEST_F(CalibrationProcedureTest, ScaleArithmeticOnAFixedInputAndItsFailures) {
    // Without a card the readings fail: the factor is untouched.
    Measurement bare;
    bare.SetConversionFactor(3.0);
    CalReportRecord record;
    record.adjust = true;
    record.actual_value = 10.0;
    record.num_samples = 0;
    record.avg_period = -5;
    EXPECT_EQ(Measurement::ErrNoCard, bare.CalibrateScale(record));
    EXPECT_EQ(1, record.num_samples);
    EXPECT_EQ(1, record.avg_period);
    EXPECT_EQ(3.0, bare.ConversionFactor());
    record.avg_period = 2000000000;
    EXPECT_EQ(Measurement::ErrNoCard, bare.CalibrateScale(record));
    EXPECT_EQ(Measurement::MaxCalibrationPeriodUs, record.avg_period);

    // A zero reference would give a factor of 0, silencing the input: refused.
    Measurement& current = ModuleCurrent(1);
    const double factor = current.ConversionFactor();
    record = CalReportRecord();
    record.adjust = true;
    record.actual_value = 0.0;
    record.num_samples = 5;
    record.avg_period = 2000;
    ASSERT_EQ(0, unit->FindModule(1)->SetToIsc());
    EXPECT_EQ(Measurement::ErrBadReference, current.CalibrateScale(record));
    EXPECT_EQ(factor, current.ConversionFactor());
    // Measuring against it is allowed, with a usable before reading.
    record.adjust = false;
    ASSERT_EQ(0, current.CalibrateScale(record));
    EXPECT_TRUE(std::isfinite(record.before_value));
    EXPECT_NEAR(Truth(1).operating.current, record.before_value, 0.02 * Truth(1).operating.current + 0.01);
}

TEST_F(CalibrationProcedureTest, TruthAsReferenceBringsReadingsWithinTheResolution) {
    ASSERT_EQ(0, unit->FindModule(3)->SetToIsc());
    // Module 1 stays at open circuit (voltage), module 3 at short circuit (current).
    struct Case_T {
        int type;
        int id;
        Measurement* measurement;
        double truth;
    };
    const double irradiance = VN_Sim::InstalledStation()->Model().Truth().conditions.irradiance;
    Case_T cases[] = {{VN_Lib::CAL_MODULE_VOLTAGE, 1, &ModuleVoltage(1), Truth(1).operating.voltage},
                      {VN_Lib::CAL_MODULE_CURRENT, 3, &ModuleCurrent(3), Truth(3).operating.current},
                      {VN_Lib::CAL_AUX_INPUT, 2, unit->FindAuxInput(2), irradiance}};
    for (const Case_T& c : cases) {
        CalReportRecord record;
        ASSERT_EQ(0, Calibrate(c.type, c.id, c.truth, true, &record)) << c.type;
        ASSERT_EQ(0, Calibrate(c.type, c.id, c.truth, false, &record)) << c.type;
        EXPECT_NEAR(c.truth, record.after_value, 2.0 * c.measurement->Resolution()) << c.type;
        EXPECT_NE(record.before_constant, record.after_constant) << c.type;
    }
}

TEST_F(CalibrationProcedureTest, SaveBacksUpAndSurvivesARestartLoadDiscardsAndMissingFileResets) {
    CalReportRecord record;
    ASSERT_EQ(0, Calibrate(VN_Lib::CAL_MODULE_VOLTAGE, 4, 40.0, true, &record));
    double adjusted = ModuleVoltage(4).ConversionFactor();
    ASSERT_NE(10.0, adjusted);

    // 205 before a save discards the adjustment.
    EXPECT_EQ(0, Send("205,10"));
    EXPECT_DOUBLE_EQ(10.0, ModuleVoltage(4).ConversionFactor());

    ASSERT_EQ(0, Calibrate(VN_Lib::CAL_MODULE_VOLTAGE, 4, 40.0, true, &record));
    adjusted = ModuleVoltage(4).ConversionFactor();
    ASSERT_EQ(0, Send("202,10,12/24/2026"));
    std::string saved = VN_Test::ReadFile(dir.File("cal_files/mod_voltage_cal.txt"));
    EXPECT_EQ(0u, saved.find("SERIAL_NUMBER " + unit->SerialNumber() + "\nDATE 12/24/2026\nENTRY 1 10.000000"));
    EXPECT_EQ(saved, VN_Test::ReadFile(dir.File("hda2/vn/cal_files/mod_voltage_cal.txt")));
    // The saved factors are the before factors now.
    // (The file carries six decimals.)
    EXPECT_NEAR(adjusted, ModuleVoltage(4).BeforeConversionFactor(), 1e-6);

    StartUnit();
    EXPECT_NEAR(adjusted, ModuleVoltage(4).ConversionFactor(), 1e-6);
    EXPECT_EQ(ModuleVoltage(4).ConversionFactor(), ModuleVoltage(4).BeforeConversionFactor());

    std::filesystem::remove(dir.File("cal_files/mod_current_cal.txt"));
    EXPECT_EQ(0, Send("205,20"));
    for (int id : unit->ModuleIds()) EXPECT_EQ(1.0, ModuleCurrent(id).ConversionFactor()) << id;
}

TEST_F(CalibrationProcedureTest, SavingTemperatureWritesOnlyTheHeaders) {
    ASSERT_EQ(0, Send("202,30,12/07/2026"));
    EXPECT_EQ("SERIAL_NUMBER " + unit->SerialNumber() + "\nDATE 12/07/2026\n",
              VN_Test::ReadFile(dir.File("cal_files/temperature_cal.txt")));
}

TEST_F(CalibrationProcedureTest, FactoryResetRestoresBothCopiesButNotTheFactorsInUse) {
    std::string factory = VN_Test::ReadFile(dir.File("hda2/vn/factory_cal/mod_current_cal.txt"));
    ASSERT_FALSE(factory.empty());
    CalReportRecord record;
    ASSERT_EQ(0, unit->FindModule(2)->SetToIsc());
    ASSERT_EQ(0, Calibrate(VN_Lib::CAL_MODULE_CURRENT, 2, 3.0, true, &record));
    ASSERT_EQ(0, Send("202,20,12/07/2026"));
    double saved = ModuleCurrent(2).ConversionFactor();
    ASSERT_NE(factory, VN_Test::ReadFile(dir.File("cal_files/mod_current_cal.txt")));

    EXPECT_EQ(0, Send("203"));
    EXPECT_EQ(factory, VN_Test::ReadFile(dir.File("cal_files/mod_current_cal.txt")));
    EXPECT_EQ(factory, VN_Test::ReadFile(dir.File("hda2/vn/cal_files/mod_current_cal.txt")));
    EXPECT_EQ(saved, ModuleCurrent(2).ConversionFactor());
    EXPECT_EQ(0, Send("205,20"));
    EXPECT_NE(saved, ModuleCurrent(2).ConversionFactor());

    // Without factory files the copy fails and says so.
    std::filesystem::remove_all(dir.File("hda2/vn/factory_cal"));
    EXPECT_EQ(Vantrel::ErrFactoryCopy, Send("203"));
}

// Steps the unit cannot sensibly take are refused: the factor stays, and the
// record that goes back says why. A reference giving a factor too large for
// the calibration file is refused as well, or the factor would be lost at the
// file's next load.
TEST_F(CalibrationProcedureTest, UnusableReferencesAndOverlongStepsAreRefusedWithTheErrorInTheRecord) {
    Measurement* input = unit->FindAuxInput(1);
    ASSERT_NE(nullptr, input);
    const double factor = input->ConversionFactor();
    const double infinity = std::numeric_limits<double>::infinity();
    for (double reference : {std::nan(""), infinity, -infinity, -2.5, 0.0}) {
        CalReportRecord record;
        EXPECT_EQ(Measurement::ErrBadReference, Calibrate(VN_Lib::CAL_AUX_INPUT, 1, reference, true, &record))
            << reference;
        EXPECT_EQ(Measurement::ErrBadReference, record.error) << reference;
        EXPECT_EQ(factor, input->ConversionFactor()) << reference;
    }
    CalReportRecord measured;
    EXPECT_EQ(Measurement::ErrBadReference, Calibrate(VN_Lib::CAL_AUX_INPUT, 1, std::nan(""), false, &measured));
    EXPECT_EQ(Measurement::ErrBadReference, Send(std::string("201,40,1,1e300,") + Readings + ",1"));
    EXPECT_EQ(factor, input->ConversionFactor());

    // Without a card every reading would fail at once: the length is checked first.
    Measurement bare;
    bare.SetConversionFactor(3.0);
    CalReportRecord step;
    step.actual_value = 1.0;
    for (int32_t samples : {200000, INT32_MAX}) {
        step.num_samples = samples;
        step.avg_period = 1000;
        EXPECT_EQ(Measurement::ErrStepTooLong, bare.CalibrateScale(step)) << samples;
    }
    step.num_samples = 100;
    step.avg_period = Measurement::MaxCalibrationPeriodUs;
    EXPECT_EQ(Measurement::ErrNoCard, bare.CalibrateScale(step));
    step.num_samples = 200;
    EXPECT_EQ(Measurement::ErrStepTooLong, bare.CalibrateScale(step));
    EXPECT_EQ(3.0, bare.ConversionFactor());

    // A step that is taken has no error attribute, as before.
    ASSERT_EQ(0, Send("201,10,2,30.0,20,2000,0"));
    std::string text;
    ASSERT_EQ(0, response.ExtractString(text));
    EXPECT_EQ(std::string::npos, text.find("error")) << text;
}

}  // namespace
