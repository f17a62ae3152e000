#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cmath>
#include <memory>
#include <string>

#include "analog104.h"
#include "can_bus.h"
#include "can_test_helpers.h"
#include "clock.h"
#include "led.h"
#include "station_test_fixture.h"
#include "test_card_fixture.h"
#include "vn_sim/station/truth_file.h"

namespace {

using VN_Sim::Quantity_T;

class StationDevicesTest : public VN_Test::StationTest {
protected:
    void SetUp() override {
        // Lags of minutes are stepped over on a clock the test moves.
        VN_Test::ClockOffsetUs().store(0);
        VN_Lib::SetClockFunction(VN_Test::ShiftedClock);
        VN_Lib::SetMonotonicClockFunction(VN_Test::ShiftedClock);
        StationTest::SetUp();
    }
    void TearDown() override {
        StationTest::TearDown();
        VN_Lib::SetClockFunction(nullptr);
        VN_Lib::SetMonotonicClockFunction(nullptr);
    }
    void ReleaseDrivers() override {
        bus.reset();
        card.reset();
    }
    void HoldAtMaximumPower() {
        card = Card(ModuleCard);
        bus = std::make_unique<VN_Lib::CanBus>();
        ASSERT_EQ(bus->Initialize(card.get(), 0), 0);
        for (int m = 1; m <= ModuleCount; ++m) {
            double vmp = Module(m).truth.maxPower.voltage;
            unsigned dac = static_cast<unsigned>(32768 - vmp * 32768 / 50.0);
            char data[2] = {static_cast<char>(dac >> 8), static_cast<char>(dac & 0xFF)};
            ASSERT_EQ(bus->SendThreadSafeStandardMessage(static_cast<unsigned short>(0x4000 + m * 256), 2, data), 0);
            ASSERT_TRUE(VN_Test::WaitFor([&] { return Module(m).dac == dac; }, 1000));
        }
        Advance(0.05);  // the stages settle in milliseconds
    }
    static void Advance(double seconds) {
        VN_Test::ClockOffsetUs().fetch_add(static_cast<int64_t>(seconds * 1e6));
    }
    double HeatSinkC() { return station->Model().Value({Quantity_T::HeatSinkTemperature, 1}); }

    std::unique_ptr<VN_Lib::Analog104> card;
    std::unique_ptr<VN_Lib::CanBus> bus;
};

// Four modules at their maximum power heat the loads' sink toward
// 25 °C + P × 0.1 K/W in still air; fans at full speed, set through the fan
// card, bring it down toward 25 °C + P × 0.03 K/W.
TEST_F(StationDevicesTest, LoadPowerHeatsTheHeatSinkAndFansCoolIt) {
    EXPECT_NEAR(HeatSinkC(), 25.0, 0.01);
    HoldAtMaximumPower();
    double power = 0.0;
    for (int m = 1; m <= ModuleCount; ++m) power += Module(m).operating.power;
    EXPECT_NEAR(power, 4 * Module(1).truth.maxPower.power, 1.0);

    Advance(3 * 3600.0);
    EXPECT_NEAR(HeatSinkC(), 25.0 + power * 0.1, 2.0);

    EXPECT_EQ(card->SetFanSpeed(100), 0);
    EXPECT_NEAR(station->Model().Truth().fanPercent, 100.0, 1e-9);
    Advance(3 * 3600.0);
    EXPECT_NEAR(HeatSinkC(), 25.0 + power * 0.03, 1.0);
    // Through the sensor card as the unit reads it.
    auto sensors = Card(SensorCard);
    float t = VN_Lib::Analog104::Linearize_TC(sensors->Auto_Read_Volts(3, 0, 2000, nullptr), sensors->Read_CJC(0),
                                              VN_Lib::TC_TYPE_K);
    EXPECT_NEAR(t, HeatSinkC(), 0.7);
}

// The LED driver's read-modify-write against the front-panel register.
TEST_F(StationDevicesTest, LedsFollowTheDriver) {
    std::shared_ptr<VN_Sim::LedBank> bank = station->Leds(0x320);
    ASSERT_NE(bank, nullptr);
    VN_Lib::Led status(0x320, 0);
    VN_Lib::Led other(0x320, 1);
    EXPECT_FALSE(bank->IsLit(0));
    status.Set();
    EXPECT_TRUE(bank->IsLit(0));
    EXPECT_EQ(status.IsOn(), 1);
    other.Toggle();
    EXPECT_TRUE(bank->IsLit(1));
    status.Toggle();
    EXPECT_FALSE(bank->IsLit(0));
    EXPECT_TRUE(bank->IsLit(1));
    EXPECT_EQ(bank->FaultCount(), 0);
}

double Attribute(const TiXmlElement* element, const char* name) {
    double value = std::nan("");
    if (element != nullptr) element->QueryDoubleAttribute(name, &value);
    return value;
}

// Another process learns the truth from the file the unit's station writes
// while the unit reads its inputs.
TEST_F(StationDevicesTest, TruthFileFollowsTheInputReads) {
    const std::string path = dir.File(VN_Sim::TruthFile::DefaultName);
    HoldAtMaximumPower();
    Advance(1.0);
    card->Auto_Read_Volts(1, 0, 100, nullptr);
    ASSERT_TRUE(VN_Test::FileExists(path));
    TiXmlDocument document(path);
    ASSERT_TRUE(document.LoadFile());
    const TiXmlElement* root = document.RootElement();
    ASSERT_NE(root, nullptr);
    EXPECT_DOUBLE_EQ(Attribute(root->FirstChildElement("Environment"), "irradiance"), 1000.0);
    int modules = 0;
    for (const TiXmlElement* m = root->FirstChildElement("Module"); m != nullptr; m = m->NextSiblingElement("Module")) {
        int id = 0;
        m->QueryIntAttribute("id", &id);
        VN_Sim::ModuleState_T truth = Module(id);
        EXPECT_NEAR(Attribute(m, "voc"), truth.truth.voc, 1e-5);
        EXPECT_NEAR(Attribute(m, "pmax"), truth.truth.maxPower.power, 1e-4);
        EXPECT_NEAR(Attribute(m, "voltage"), truth.truth.maxPower.voltage, 0.01);
        ++modules;
    }
    EXPECT_EQ(modules, ModuleCount);

    // At most one write per period: a read 100 ms later leaves the file alone.
    VN_Test::WriteFile(path, "stale");
    Advance(0.1);
    card->Auto_Read_Volts(1, 0, 100, nullptr);
    EXPECT_EQ(VN_Test::ReadFile(path), "stale");
    Advance(0.2);
    card->Auto_Read_Volts(1, 0, 100, nullptr);
    EXPECT_NE(VN_Test::ReadFile(path), "stale");
}

}  // namespace
