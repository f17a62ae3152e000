#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "analog104.h"
#include "station_test_fixture.h"
#include "vn_sim/station/station_signal.h"

namespace {

using VN_Sim::Quantity_T;

class StationReadingsTest : public VN_Test::StationTest {
protected:
    void ReleaseDrivers() override {
        modules.reset();
        sensors.reset();
    }
    double Volts(VN_Lib::Analog104& card, int mux, int chan) { return card.Auto_Read_Volts(mux, chan, 2000, nullptr); }
    // Degrees C of a thermocouple input, as the unit converts it.
    double Thermocouple(int mux, int chan, int type) {
        return VN_Lib::Analog104::Linearize_TC(Volts(*sensors, mux, chan), sensors->Read_CJC(0), type);
    }

    std::unique_ptr<VN_Lib::Analog104> modules;
    std::unique_ptr<VN_Lib::Analog104> sensors;
};

// At open circuit every module sits at its Voc, and each voltage input reads
// it through that channel's own divider: the per-channel tolerance shows,
// and so would a module wired to another channel's input.
TEST_F(StationReadingsTest, ModuleVoltagesReadThroughEachChannelsDivider) {
    modules = Card(ModuleCard);
    for (int m = 0; m < ModuleCount; ++m) {
        VN_Sim::ModuleState_T truth = Module(m + 1);
        ASSERT_EQ(truth.dac, 0u);
        // 38.9 V at 25 °C; the cells run 31 K warmer in full sun.
        EXPECT_GT(truth.truth.voc, 33.0);
        EXPECT_LT(truth.truth.voc, 36.0);
        EXPECT_NEAR(truth.operating.voltage, truth.truth.voc, 1e-6);
        double read = Volts(*modules, m + 1, 0) / DividerGain;
        // A few converter counts on range 0 (0.15 mV each at the card).
        EXPECT_NEAR(read, truth.truth.voc * (1.0 + VoltageTolerance[m]), 0.01) << "module " << m + 1;
        double current = Volts(*modules, m + 1, 1) / ShuntGain;
        EXPECT_NEAR(current, 0.0, 0.005) << "module " << m + 1;
    }
}

TEST_F(StationReadingsTest, PyranometersAndThermocouplesReadTheTrueConditions) {
    sensors = Card(SensorCard);
    VN_Sim::StationTruth_T truth = station->Model().Truth();
    EXPECT_DOUBLE_EQ(truth.conditions.irradiance, 1000.0);
    EXPECT_DOUBLE_EQ(truth.conditions.ambientC, 25.0);
    // The cold junctions sit at the enclosure's air.
    EXPECT_NEAR(sensors->Read_CJC(0), 25.0, 0.05);
    EXPECT_NEAR(sensors->Read_CJC(1), 25.0, 0.05);

    // Thermopiles of 10.2 and 9.85 uV per W/m2, read on the 50 mV range.
    EXPECT_NEAR(Volts(*sensors, 1, 0) / 10.2e-6, 1000.0, 1.0);
    EXPECT_NEAR(Volts(*sensors, 1, 1) / 9.85e-6, 1000.0, 1.0);

    // The unit's cubic linearisation is good to a few tenths of a degree here.
    const double cell = truth.conditions.cellTemperatureC;
    EXPECT_NEAR(cell, 25.0 + 1000.0 * 0.03125, 0.01);
    for (int chan = 0; chan < ModuleCount; ++chan)
        EXPECT_NEAR(Thermocouple(2, chan, VN_Lib::TC_TYPE_T), cell, 0.5) << "module " << chan + 1;
    EXPECT_NEAR(Thermocouple(2, 4, VN_Lib::TC_TYPE_K), 25.0, 0.5);  // ambient
    EXPECT_NEAR(Thermocouple(3, 0, VN_Lib::TC_TYPE_K), truth.heatSinks.at(1), 0.5);
    EXPECT_NEAR(Thermocouple(3, 1, VN_Lib::TC_TYPE_K), truth.intakeC, 0.5);
    EXPECT_NEAR(Thermocouple(3, 2, VN_Lib::TC_TYPE_K), truth.supplyC, 0.5);
    EXPECT_NEAR(truth.supplyC, 35.0, 1e-9);
}

// A warm card: the thermocouples' cold junction moves with the card's own
// sensors, so the unit's compensation still finds the true temperatures.
TEST_F(StationReadingsTest, ColdJunctionFollowsTheCardTemperature) {
    std::string text = VN_Test::ReadFile(dir.File("sim_station.xml"));
    size_t at = text.find("<Card address=\"310\"");
    ASSERT_NE(at, std::string::npos);
    text.insert(at + 5, " cold_junction=\"41.5\"");
    VN_Test::WriteFile(dir.File("sim_station.xml"), text);
    ASSERT_EQ(VN_Lib::InitPlatform("vn_firmware"), 0);
    station = VN_Sim::InstalledStation();
    sensors = Card(SensorCard);
    EXPECT_NEAR(sensors->Read_CJC(1), 41.5, 0.05);
    EXPECT_NEAR(Thermocouple(2, 4, VN_Lib::TC_TYPE_K), 25.0, 0.5);
    EXPECT_NEAR(Thermocouple(2, 0, VN_Lib::TC_TYPE_T), station->Model().Value({Quantity_T::ModuleTemperature, 1}), 0.5);
}

// A sensor read as the wrong thermocouple type is off by degrees: the
// wiring uses the types the hardware description names.
TEST_F(StationReadingsTest, ThermocoupleTypeMatters) {
    sensors = Card(SensorCard);
    double cell = station->Model().Value({Quantity_T::ModuleTemperature, 1});
    EXPECT_GT(std::fabs(Thermocouple(2, 0, VN_Lib::TC_TYPE_J) - cell), 3.0);
}

}  // namespace
