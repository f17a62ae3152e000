#include <gtest/gtest.h>

#include <cmath>

#include "../sim/test_card_fixture.h"
#include "controller.h"
#include "dac_scale.h"
#include "test_controller_rig.h"
#include "test_support.h"

namespace {

using VN_Lib::Controller;
using VN_Lib::LoadConfiguration_T;
using VN_Test::ControlRig;

// The rest of a unit main-loop pass around one load step: an aux input and
// a thermocouple integrate for 16.7 ms each.
const int64_t RestOfPassUs = 35000;

// The default module at 1000 W/m² and 25 °C on a 50 V load, on a clock the
// test can move forward.
class ControllerPhysicsTest : public ::testing::Test {
protected:
    ControllerPhysicsTest() {
        VN_Test::ClockOffsetUs().store(0);
        VN_Lib::SetClockFunction(VN_Test::ShiftedClock);
        VN_Lib::SetMonotonicClockFunction(VN_Test::ShiftedClock);
    }
    ~ControllerPhysicsTest() override {
        EXPECT_EQ(rig.CardFaults(), 0);
        EXPECT_EQ(rig.ChipFaults(), 0);
        VN_Lib::SetClockFunction(nullptr);
        VN_Lib::SetMonotonicClockFunction(nullptr);
    }

    void SetMode(int mode, double fixedVoltage = 1000.0) {
        LoadConfiguration_T config;
        config.mode = mode;
        config.fixedVoltage = fixedVoltage;
        ASSERT_EQ(controller.SetLoadParameters(config), 0);
    }
    // Control steps as the main loop gives them; the mean true power over them.
    double RunPasses(int passes) {
        double energy = 0.0;
        for (int i = 0; i < passes; ++i) {
            EXPECT_EQ(controller.UpdateLoad(), 0);
            VN_Test::ClockOffsetUs().fetch_add(RestOfPassUs);
            energy += rig.OperatingPoint().power;
        }
        return energy / passes;
    }

    VN_Test::TempDir dir;
    ControlRig rig{dir.File("eeprom.bin"), 1000.0, 25.0};
    Controller controller;
};

TEST_F(ControllerPhysicsTest, InitializeMeasuresVocAndLeavesTheLoadOpen) {
    ASSERT_EQ(rig.Attach(controller), 0);
    const VN_Sim::ModuleTruth_T truth = rig.Truth();
    EXPECT_NEAR(controller.Voc(), truth.voc, 0.01 * truth.voc);
    EXPECT_EQ(rig.LoadDac(), 0u);
    EXPECT_LT(rig.OperatingPoint().current, 0.01);

    int error = -1;
    const double isc = controller.GetIsc(&error);
    EXPECT_EQ(error, 0);
    EXPECT_NEAR(isc, truth.isc, 0.01 * truth.isc);
    EXPECT_EQ(rig.LoadDac(), 65535u);
}

TEST_F(ControllerPhysicsTest, FailedReadingIsNoVocAndNoIsc) {
    ASSERT_EQ(rig.Attach(controller), 0);
    const double voc = controller.Voc();
    controller.ModuleMeasurement().Voltage().Initialize(nullptr, 0, 0, 1.0);
    int error = 0;
    EXPECT_EQ(controller.GetVoc(&error), Controller::FailedReading);
    EXPECT_NE(error, 0);
    EXPECT_EQ(controller.Voc(), voc);

    controller.ModuleMeasurement().Current().Initialize(nullptr, 0, 0, 1.0);
    error = 0;
    EXPECT_EQ(controller.GetIsc(&error), Controller::FailedReading);
    EXPECT_NE(error, 0);
}

TEST_F(ControllerPhysicsTest, TrackingSettlesAtTheMaximumPowerPoint) {
    ASSERT_EQ(rig.Attach(controller), 0);
    SetMode(1);
    RunPasses(150);
    const double pmax = rig.Truth().maxPower.power;
    EXPECT_GT(RunPasses(50), 0.995 * pmax);
    EXPECT_LE(rig.LoadDac(), static_cast<unsigned>(VN_Lib::PowerTracker::MaxDac));
}

TEST_F(ControllerPhysicsTest, FixedVoltageIsHeldAndStartsAfreshOnEntry) {
    ASSERT_EQ(rig.Attach(controller), 0);
    SetMode(2, 25.0);
    ASSERT_EQ(controller.UpdateLoad(), 0);
    EXPECT_EQ(rig.LoadDac(), static_cast<unsigned>(VN_Lib::VoltsToDac(25.0, ControlRig::LoadVmax)));
    RunPasses(60);
    EXPECT_NEAR(rig.OperatingPoint().voltage, 25.0, 0.2);

    // Through tracking and back: the loop starts again from the set-point.
    SetMode(1);
    RunPasses(5);
    SetMode(2, 30.0);
    ASSERT_EQ(controller.UpdateLoad(), 0);
    EXPECT_EQ(rig.LoadDac(), static_cast<unsigned>(VN_Lib::VoltsToDac(30.0, ControlRig::LoadVmax)));
    RunPasses(60);
    EXPECT_NEAR(rig.OperatingPoint().voltage, 30.0, 0.2);
}

TEST_F(ControllerPhysicsTest, FixedZeroVoltsHoldsIscAndOffHoldsVoc) {
    ASSERT_EQ(rig.Attach(controller), 0);
    SetMode(2, 0.0);
    RunPasses(40);
    const VN_Sim::ModuleTruth_T truth = rig.Truth();
    EXPECT_GT(rig.OperatingPoint().current, 0.98 * truth.isc);

    SetMode(0);
    RunPasses(3);
    EXPECT_EQ(rig.LoadDac(), 0u);
    EXPECT_NEAR(rig.OperatingPoint().voltage, truth.voc, 0.01 * truth.voc);
    EXPECT_NEAR(controller.Voc(), truth.voc, 0.01 * truth.voc);
}

TEST_F(ControllerPhysicsTest, OverPowerHoldsOpenCircuitForTwentySeconds) {
    // A 200 W load on a 280 W module.
    ASSERT_EQ(rig.Attach(controller, 200.0), 0);
    SetMode(1);
    for (int i = 0; i < 20 && !controller.InOverPowerHold(); ++i) RunPasses(1);
    ASSERT_TRUE(controller.InOverPowerHold());
    EXPECT_EQ(rig.LoadDac(), 0u);

    RunPasses(5);
    VN_Test::ClockOffsetUs().fetch_add(int64_t{19} * 1000000);
    RunPasses(1);
    EXPECT_TRUE(controller.InOverPowerHold());
    EXPECT_EQ(rig.LoadDac(), 0u);

    VN_Test::ClockOffsetUs().fetch_add(int64_t{1} * 1000000);
    ASSERT_EQ(controller.UpdateLoad(), 0);
    EXPECT_FALSE(controller.InOverPowerHold());
    EXPECT_NE(rig.LoadDac(), 0u);
    EXPECT_EQ(controller.GetLoadConfiguration().mode, 1);
}

}  // namespace
