// The hardware model built from hw_config.xml texts on the default simulated
// station, installed in this process.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include "cal_type.h"
#include "hardware_model.h"
#include "platform.h"
#include "sys_error.h"
#include "test_support.h"
#include "unit_program.h"
#include "vn_sim/station/station_installer.h"

using VN_Lib::Vantrel;

namespace {

const char* const TwoCards = "<Cards><Card id=\"1\" address=\"300\"/><Card id=\"2\" address=\"310\"/></Cards>";
const char* const OneBus = "<CAN_Busses><Bus id=\"1\" card=\"1\" chan=\"0\"/></CAN_Busses>";

std::string Channel(int id, int canbus, int vcard, int icard, int mux) {
    return "<Channel id=\"" + std::to_string(id) + "\" vmax=\"50\" imax=\"10\" pmax=\"300\" canbus=\"" +
           std::to_string(canbus) + "\" address=\"" + std::to_string(mux) + "\" vcard=\"" + std::to_string(vcard) +
           "\" vmux=\"" + std::to_string(mux) + "\" vchan=\"0\" icard=\"" + std::to_string(icard) + "\" imux=\"" +
           std::to_string(mux) + "\" ichan=\"1\"/>";
}

class HardwareModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        VN_Test::WriteFile(dir.File("sim_station.xml"),
                           VN_Test::ReadFile(std::string(VN_SOURCE_DIR) + "/sim_station/sim_station.xml"));
        ASSERT_EQ(0, VN_Lib::InitPlatform("vn_firmware"));
        ASSERT_NE(nullptr, VN_Sim::InstalledStation());
    }
    void TearDown() override {
        // The model's buses and cards use the station's ports.
        unit.reset();
        VN_Sim::RemoveStation();
    }

    int Build(const std::string& body) {
        if (unit == nullptr) unit = std::make_unique<Vantrel>();
        TiXmlDocument document;
        document.Parse(("<HardwareConfiguration version=\"1\">" + body + "</HardwareConfiguration>").c_str());
        return unit->Initialize(document);
    }

    VN_Sim::ModuleState_T Truth(int id) {
        VN_Sim::ModuleState_T state;
        EXPECT_EQ(0, VN_Sim::InstalledStation()->Model().Module(id, &state));
        return state;
    }

    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir workingDir{dir.Path()};
    std::unique_ptr<Vantrel> unit;
};

TEST_F(HardwareModelTest, RoundRobinServesEveryInputOncePerCycleStartingFromIdZero) {
    ASSERT_EQ(0, Build(std::string(TwoCards) +
                       "<AuxInputs><AuxInput id=\"5\" card=\"2\" mux=\"1\" chan=\"1\"/>"
                       "<AuxInput id=\"1\" card=\"2\" mux=\"1\" chan=\"0\"/>"
                       "<AuxInput id=\"2\" card=\"2\" mux=\"2\" chan=\"0\"/></AuxInputs>"));
    auto served = [this]() {
        std::vector<int> ids;
        for (auto& value : unit->AuxInputValues()) {
            if (value.second != 0.0) ids.push_back(value.first);
        }
        return ids;
    };
    // Id 0 is remembered at first and is not an input.
    EXPECT_EQ(VN_Lib::ERR_UNKNOWN_AUX_INPUT, unit->UpdateNextAuxInputSample());
    EXPECT_TRUE(served().empty());
    EXPECT_EQ(0, unit->UpdateNextAuxInputSample());
    EXPECT_EQ((std::vector<int>{1}), served());
    EXPECT_EQ(0, unit->UpdateNextAuxInputSample());
    EXPECT_EQ((std::vector<int>{1, 2}), served());
    EXPECT_EQ(0, unit->UpdateNextAuxInputSample());
    EXPECT_EQ((std::vector<int>{1, 2, 5}), served());
    // The next cycle wraps to the first id without passing an absent one.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(0, unit->UpdateNextAuxInputSample());

    // Kinds without items have nothing to serve.
    EXPECT_EQ(0, unit->UpdateNextTemperatureSample());
    EXPECT_EQ(0, unit->UpdateNextLoad());
    EXPECT_EQ(0, unit->UpdateNextHeatSinkTemperatureSample());
}

TEST_F(HardwareModelTest, ModuleChannelsNeedTheirBusAndBothCards) {
    ASSERT_EQ(0, Build(std::string(TwoCards) + OneBus + "<ModuleChannels>" + Channel(1, 1, 1, 1, 1) +
                       Channel(2, 9, 1, 1, 2) + Channel(3, 1, 1, 7, 3) + Channel(4, 1, 7, 1, 4) +
                       "</ModuleChannels>"));
    EXPECT_EQ((std::vector<int>{1}), unit->ModuleIds());
    EXPECT_EQ(VN_Lib::ERR_UNKNOWN_MODULE, unit->UpdateLoad(2));
    EXPECT_EQ(VN_Lib::ERR_UNKNOWN_MODULE, unit->SetLoadControlParameters(3, VN_Lib::LoadConfiguration_T()));
    EXPECT_EQ(VN_Lib::ERR_UNKNOWN_MODULE, unit->InitializeLoads(4));
    EXPECT_EQ(0, unit->InitializeLoads(0));
    // The dropped channel's load was left at open circuit.
    EXPECT_EQ(0u, Truth(3).dac);

    // Without calibration files the factor is 1.0: the card sees the divided voltage.
    ASSERT_EQ(0, unit->SampleModules());
    auto values = unit->ModuleValues();
    ASSERT_EQ(1u, values.size());
    double expected = Truth(1).truth.voc * 0.1 * (1 + 0.0031);
    EXPECT_NEAR(expected, values[0].voltage, 0.002 * expected);
    EXPECT_NEAR(0.0, values[0].current, 0.001);
}

TEST_F(HardwareModelTest, TrackerDriftGuardIsOnUnlessAChannelSwitchesItOff) {
    auto with = [](std::string channel, const char* attribute) {
        return channel.replace(channel.size() - 2, 0, attribute);
    };
    ASSERT_EQ(0, Build(std::string(TwoCards) + OneBus + "<ModuleChannels>" + Channel(1, 1, 1, 1, 1) +
                       with(Channel(2, 1, 1, 1, 2), " drift_guard=\"0\"") +
                       with(Channel(3, 1, 1, 1, 3), " drift_guard=\"1\"") + "</ModuleChannels>"));
    EXPECT_TRUE(unit->FindModule(1)->GuardedTracker().Guarded());
    EXPECT_FALSE(unit->FindModule(2)->GuardedTracker().Guarded());
    EXPECT_TRUE(unit->FindModule(3)->GuardedTracker().Guarded());
}

TEST_F(HardwareModelTest, DescriptionLedsFansAndDirectReads) {
    // A card without an address is no card: nothing is driven at port 0.
    ASSERT_EQ(0, Build(std::string("<Description><Model>M1</Model><SerialNumber>S1</SerialNumber></Description>") +
                       "<Cards><Card id=\"1\" address=\"300\"/><Card id=\"2\" address=\"310\"/>"
                       "<Card id=\"3\"/></Cards>"
                       "<Leds><Led id=\"0\" bit=\"0\"/><Led bit=\"1\" io_address=\"320\"/>"
                       "<Led id=\"-1\" bit=\"2\" io_address=\"320\"/><Led id=\"2\" bit=\"3\" io_address=\"320\"/></Leds>"));
    double volts = 0.0;
    EXPECT_EQ(VN_Lib::ERR_UNKNOWN_CARD, unit->ReadAnalogChannelVolts(&volts, 3, 1, 0, 1000));
    // No usable LED 0 in the file: the status LED is an inert default.
    VN_Lib::Led status = unit->StatusLed();
    status.Toggle();
    EXPECT_EQ(0, status.IsOn());
    EXPECT_EQ(VN_Lib::Thermal::ErrNoFanCard, unit->SetFanSpeed(50.0f));
    EXPECT_EQ(VN_Lib::ERR_UNKNOWN_CARD, unit->ReadAnalogChannelVolts(&volts, 9, 1, 0, 1000));
    // Pyranometer 1 at 1000 W/m² and 10.2 µV per W/m².
    EXPECT_EQ(0, unit->ReadAnalogChannelVolts(&volts, 2, 1, 0, 1000));
    EXPECT_NEAR(0.0102, volts, 0.0001);
    int count = 0;
    EXPECT_EQ(0, unit->ReadRawAnalogChannelADC(&count, 2, 1, 0, 2, 1000));
    EXPECT_GT(count, 0);
    EXPECT_NE(0, unit->ReadRawAnalogChannelADC(&count, 2, 1, 0, 7, 1000));

    // A second initialisation refills the maps; missing description texts stay.
    ASSERT_EQ(0, Build(std::string("<Description><Model>M2</Model></Description>") + TwoCards +
                       "<Fans card=\"1\"/><Leds><Led id=\"0\" bit=\"0\" io_address=\"320\"/></Leds>"));
    EXPECT_EQ("M2", unit->Model());
    EXPECT_EQ("S1", unit->SerialNumber());
    EXPECT_EQ(0, unit->SetFanSpeed(50.0f));
    status = unit->StatusLed();
    int before = status.IsOn();
    status.Toggle();
    EXPECT_NE(before, status.IsOn());
}

TEST_F(HardwareModelTest, StartUpLoadsActiveAndBeforeFactorsAndAMissingFileResetsThem) {
    std::filesystem::create_directories(dir.File("cal_files"));
    std::filesystem::create_directories(dir.File("hda2/vn"));
    VN_Test::WriteFile(dir.File("cal_files/mod_voltage_cal.txt"),
                       "SERIAL_NUMBER S1\nDATE 12/01/2026\nENTRY 1 10.500000 0.000000\nENTRY 9 3.0 0.0\n");
    VN_Test::WriteFile(dir.File("cal_files/aux_input_cal.txt"), "ENTRY 2 98000.0 0.0\n");
    ASSERT_EQ(0, Build(std::string(TwoCards) + OneBus + "<ModuleChannels>" + Channel(1, 1, 1, 1, 1) +
                       Channel(2, 1, 1, 1, 2) + "</ModuleChannels><AuxInputs>"
                       "<AuxInput id=\"1\" card=\"2\" mux=\"1\" chan=\"0\"/>"
                       "<AuxInput id=\"2\" card=\"2\" mux=\"1\" chan=\"1\"/></AuxInputs>"));
    Measurement& voltage1 = unit->FindModule(1)->ModuleMeasurement().Voltage();
    Measurement& voltage2 = unit->FindModule(2)->ModuleMeasurement().Voltage();
    EXPECT_DOUBLE_EQ(10.5, voltage1.ConversionFactor());
    EXPECT_DOUBLE_EQ(10.5, voltage1.BeforeConversionFactor());
    EXPECT_DOUBLE_EQ(1.0, voltage2.ConversionFactor());
    EXPECT_DOUBLE_EQ(1.0, unit->FindModule(1)->ModuleMeasurement().Current().ConversionFactor());
    EXPECT_DOUBLE_EQ(1.0, unit->FindAuxInput(1)->ConversionFactor());
    EXPECT_DOUBLE_EQ(98000.0, unit->FindAuxInput(2)->BeforeConversionFactor());
    // Readings use the active factor.
    double irradiance = 0.0;
    ASSERT_EQ(0, unit->SampleAuxInput(&irradiance, 2));
    EXPECT_NEAR(1000.0 * 9.85e-6 * 98000.0, irradiance, 2.0);

    // The file goes: loading resets the active factors to 1.0 and still succeeds.
    std::filesystem::remove(dir.File("cal_files/mod_voltage_cal.txt"));
    EXPECT_EQ(0, unit->LoadActiveCalibrationFromFile(VN_Lib::CAL_MODULE_VOLTAGE));
    EXPECT_DOUBLE_EQ(1.0, voltage1.ConversionFactor());
    EXPECT_DOUBLE_EQ(10.5, voltage1.BeforeConversionFactor());
    EXPECT_EQ(0, unit->LoadActiveCalibrationFromFile(VN_Lib::CAL_TEMPERATURE));
    EXPECT_EQ(Vantrel::ErrBadCalType, unit->LoadActiveCalibrationFromFile(55));

    // Saving writes the active factors, copies them to the backup volume and
    // makes them the before factors.
    voltage2.SetConversionFactor(9.75);
    EXPECT_EQ(Vantrel::ErrBadCalType, unit->SaveCalibrationToFile(55, "12/07/2026", "S2"));
    ASSERT_EQ(0, unit->SaveCalibrationToFile(VN_Lib::CAL_MODULE_VOLTAGE, "12/07/2026", "S2"));
    std::string saved = VN_Test::ReadFile(dir.File("cal_files/mod_voltage_cal.txt"));
    EXPECT_EQ("SERIAL_NUMBER S2\nDATE 12/07/2026\nENTRY 1 1.000000 0.000000\nENTRY 2 9.750000 0.000000\n", saved);
    EXPECT_EQ(saved, VN_Test::ReadFile(dir.File("hda2/vn/cal_files/mod_voltage_cal.txt")));
    EXPECT_DOUBLE_EQ(9.75, voltage2.BeforeConversionFactor());
    EXPECT_DOUBLE_EQ(1.0, voltage1.BeforeConversionFactor());
}

TEST_F(HardwareModelTest, OverTemperatureHoldsTheLoadsAtOpenCircuit) {
    ASSERT_EQ(0, Build(std::string(TwoCards) + OneBus + "<ModuleChannels>" + Channel(1, 1, 1, 1, 1) +
                       "</ModuleChannels>"));
    VN_Lib::LoadConfiguration_T shortCircuit;
    shortCircuit.mode = 2;
    shortCircuit.fixedVoltage = 0.0;
    ASSERT_EQ(0, unit->SetLoadControlParameters(1, shortCircuit));
    ASSERT_EQ(0, unit->UpdateLoad(1));
    EXPECT_GE(unit->FindModule(1)->Load().Dac(), 32768u);

    unit->CheckHeatsinkTemperature(110.1);
    EXPECT_EQ(0, unit->UpdateLoad(1));
    EXPECT_EQ(0u, unit->FindModule(1)->Load().Dac());
    // The round robin starts at id 0, which is no module.
    EXPECT_EQ(VN_Lib::ERR_UNKNOWN_MODULE, unit->UpdateNextLoad());
    EXPECT_EQ(0, unit->UpdateNextLoad());
    EXPECT_EQ(0u, unit->FindModule(1)->Load().Dac());
}

// The thermal check reads the heat-sink inputs and the modules' power and
// drives the fan card.
TEST_F(HardwareModelTest, ThermalCheckUsesHeatSinksAndModulePowerAndDrivesTheFans) {
    // The default station's factors, so module readings are in V and A.
    std::filesystem::copy(std::string(VN_SOURCE_DIR) + "/sim_station/cal_files", dir.File("cal_files"));
    ASSERT_EQ(0, Build(std::string(TwoCards) + OneBus + "<Fans card=\"1\"/><ModuleChannels>" +
                       Channel(1, 1, 1, 1, 1) + "</ModuleChannels><InternalMeasurements>"
                       "<HeatSinkTemperature id=\"1\" type=\"K\" card=\"2\" mux=\"3\" chan=\"0\"/>"
                       "</InternalMeasurements>"));
    EXPECT_DOUBLE_EQ(0.0, unit->GetMaxHeatsinkTemp());
    ASSERT_EQ(0, unit->SampleHeatSinkTemperatures());
    double sink = unit->GetMaxHeatsinkTemp();
    EXPECT_NEAR(VN_Sim::InstalledStation()->Model().Truth().heatSinks.at(1), sink, 1.0);

    // Cold and idle: the minimum speed reaches the fan card's drive level.
    ASSERT_EQ(0, unit->UpdateThermalManagement());
    EXPECT_FLOAT_EQ(20.0f, unit->ThermalState().FanSpeed());
    EXPECT_NEAR(20.0, VN_Sim::InstalledStation()->Model().Truth().fanPercent, 0.5);

    // Module 1 held near its maximum power point: its share of the 300 W rating
    // sets the speed (with one module the total rule, x 120, is the larger).
    VN_Lib::LoadConfiguration_T fixed;
    fixed.mode = 2;
    fixed.fixedVoltage = 28.0;
    ASSERT_EQ(0, unit->SetLoadControlParameters(1, fixed));
    for (int i = 0; i < 20; ++i) unit->UpdateLoad(1);
    ASSERT_EQ(0, unit->SampleModules());
    auto values = unit->ModuleValues();
    double share = values[0].voltage * values[0].current / 300.0;
    EXPECT_NEAR(Truth(1).operating.power / 300.0, share, 0.02);
    EXPECT_GT(share, 0.7);
    EXPECT_NEAR(share * 120.0, unit->GetNewFanSpeed(sink), 0.01);
}

// Re-initialising rebuilds the buses; the CAN command port must follow them
// and never keep using a bus that is gone (the sanitizer builds catch that).
TEST_F(HardwareModelTest, CanCommandPortMovesToTheRebuiltBus) {
    VN_Test::WriteFile(dir.File("hw_config.xml"),
                       std::string("<HardwareConfiguration>") + TwoCards + OneBus +
                           "<CommandPorts><CAN canbus=\"1\"/></CommandPorts></HardwareConfiguration>");
    UnitProgram program;
    ASSERT_EQ(0, program.Initialize());
    ASSERT_NE(nullptr, program.CanPort());
    EXPECT_EQ(program.Model().FindCanBus(1), program.CanPort()->Bus());
    for (int i = 0; i < 3; ++i) program.MainLoopPass();

    ASSERT_EQ(0, program.Initialize());
    ASSERT_NE(nullptr, program.CanPort());
    EXPECT_EQ(program.Model().FindCanBus(1), program.CanPort()->Bus());
    for (int i = 0; i < 3; ++i) program.MainLoopPass();

    // A bus the file no longer names closes the port.
    VN_Test::WriteFile(dir.File("hw_config.xml"), std::string("<HardwareConfiguration>") + TwoCards +
                                                      "<CommandPorts><CAN canbus=\"1\"/></CommandPorts>"
                                                      "</HardwareConfiguration>");
    ASSERT_EQ(0, program.Initialize());
    EXPECT_EQ(nullptr, program.CanPort());
    program.MainLoopPass();
}

}  // namespace
