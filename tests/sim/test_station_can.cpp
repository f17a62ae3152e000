#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "analog104.h"
#include "can_bus.h"
#include "can_test_helpers.h"
#include "station_test_fixture.h"
#include "vn_sim/can/can_wire.h"

namespace {

const double LoadVmax = 50.0;
const double OnResistance = 0.05;

class StationCanTest : public VN_Test::StationTest {
protected:
    void SetUp() override {
        StationTest::SetUp();
        card = Card(ModuleCard);
        bus = std::make_unique<VN_Lib::CanBus>();
        ASSERT_EQ(bus->Initialize(card.get(), 0), 0);
    }
    void ReleaseDrivers() override {
        bus.reset();
        card.reset();
    }

    // The unit's DAC message: identifier 0x4000 + address x 256, high byte first.
    void SendDac(int address, unsigned dac) {
        char data[2] = {static_cast<char>(dac >> 8), static_cast<char>(dac & 0xFF)};
        unsigned short id = static_cast<unsigned short>(0x4000 + (address & 0xF) * 256);
        ASSERT_EQ(bus->SendThreadSafeStandardMessage(id, 2, data), 0);
        ASSERT_TRUE(VN_Test::WaitFor([&] { return Module(address).dac == dac; }, 1000)) << "dac " << dac;
        // The stage settles with a 1 ms time constant.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    double ModuleVolts(int id) { return card->Auto_Read_Volts(id, 0, 2000, nullptr) / DividerGain; }
    double ModuleAmps(int id) { return card->Auto_Read_Volts(id, 1, 2000, nullptr) / ShuntGain; }

    std::unique_ptr<VN_Lib::Analog104> card;
    std::unique_ptr<VN_Lib::CanBus> bus;
};

// Open circuit, a voltage set-point and the far end of the scale, each seen
// in the truth and through the card.
TEST_F(StationCanTest, DacSetPointsMoveTheOperatingPointAsTheScaleSays) {
    const int m = 2;
    const double vTol = VoltageTolerance[m - 1];
    const double iTol = CurrentTolerance[m - 1];

    SendDac(m, static_cast<unsigned>(32768 - 25.0 * 32768 / LoadVmax));
    VN_Sim::ModuleState_T held = Module(m);
    EXPECT_NEAR(held.operating.voltage, 25.0, 0.01);
    // Below the maximum power point: nearly the short-circuit current.
    EXPECT_GT(held.operating.current, 0.9 * held.truth.isc);
    EXPECT_LT(held.operating.current, held.truth.isc);
    EXPECT_NEAR(ModuleVolts(m), 25.0 * (1 + vTol), 0.02);
    EXPECT_NEAR(ModuleAmps(m), held.operating.current * (1 + iTol), 0.01);

    SendDac(m, 65535);
    VN_Sim::ModuleState_T shorted = Module(m);
    EXPECT_NEAR(shorted.operating.current, shorted.truth.isc, 0.01);
    EXPECT_NEAR(shorted.operating.voltage, shorted.operating.current * OnResistance, 0.01);
    EXPECT_NEAR(ModuleAmps(m), shorted.operating.current * (1 + iTol), 0.01);
    EXPECT_NEAR(ModuleVolts(m), shorted.operating.voltage * (1 + vTol), 0.01);

    SendDac(m, 0);
    VN_Sim::ModuleState_T open = Module(m);
    EXPECT_NEAR(open.operating.voltage, open.truth.voc, 1e-3);
    EXPECT_NEAR(ModuleAmps(m), 0.0, 0.005);

    // The other loads never heard a message for them.
    for (int other : {1, 3, 4}) EXPECT_EQ(Module(other).dac, 0u);
}

TEST_F(StationCanTest, MaximumPowerPointIsReachableThroughTheScale) {
    VN_Sim::ModuleState_T truth = Module(1);
    SendDac(1, static_cast<unsigned>(32768 - truth.truth.maxPower.voltage * 32768 / LoadVmax));
    VN_Sim::ModuleState_T held = Module(1);
    // One DAC count is 1.5 mV of module voltage: power within a milliwatt or so.
    EXPECT_NEAR(held.operating.power, truth.truth.maxPower.power, 0.05);
    // 280 W at 25 °C, some 0.45 %/K less in the warm cells.
    EXPECT_NEAR(truth.truth.maxPower.power, 280.0 * (1 - 0.00454 * 31.25), 5.0);
}

// A unit in another station folder reaches the loads over the same bus
// when its bus element names this station's wire folder.
TEST_F(StationCanTest, FramesFromAnotherProcessFolderReachTheLoads) {
    VN_Sim::CanWire wire("loads", dir.Path() + "/can");
    ASSERT_TRUE(wire.IsLinked());
    VN_Sim::CanFrame_T frame;
    frame.id = (0x4000 + 3 * 256) >> 5;
    frame.dlc = 2;
    frame.data[0] = 0x12;
    frame.data[1] = 0x34;
    EXPECT_GE(wire.Transmit(nullptr, frame), 1);
    EXPECT_TRUE(VN_Test::WaitFor([&] { return Module(3).dac == 0x1234u; }, 2000));
}

}  // namespace
