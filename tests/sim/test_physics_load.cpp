#include <gtest/gtest.h>

#include <cmath>

#include "vn_sim/physics/electronic_load.h"
#include "vn_sim/physics/physics_error.h"
#include "vn_sim/physics/pv_module.h"

namespace {

using VN_Sim::ElectronicLoad;
using VN_Sim::LoadParams_T;
using VN_Sim::PowerPoint_T;
using VN_Sim::PvModule;

const double Tau = 0.001;

LoadParams_T Params() {
    LoadParams_T params;
    params.vmax = 50.0;
    params.onResistance = 0.05;
    params.currentLimit = 15.0;
    params.timeConstant = Tau;
    return params;
}

TEST(PhysicsElectronicLoad, OpenCircuitAtDacZero) {
    PvModule module;
    ElectronicLoad load(module, Params(), 100.0);
    PowerPoint_T point = load.OperatingPoint(100.0);
    EXPECT_EQ(load.Dac(), 0);
    EXPECT_DOUBLE_EQ(point.voltage, module.Voc());
    EXPECT_NEAR(point.current, 0.0, 1e-9);
    EXPECT_NEAR(point.power, 0.0, 1e-7);
    // A set-point above Voc (just below vmax = 50 V) draws nothing either.
    load.SetDac(1, 100.0);
    EXPECT_DOUBLE_EQ(load.OperatingPoint(101.0).voltage, module.Voc());
}

TEST(PhysicsElectronicLoad, SettlesFirstOrderTowardAVoltageSetPoint) {
    PvModule module;
    ElectronicLoad load(module, Params(), 0.0);
    double voc = module.Voc();
    load.SetDac(16384, 0.0);  // half of vmax: 25 V
    EXPECT_DOUBLE_EQ(load.EquilibriumVoltage(), 25.0);
    // One time constant covers 1 − 1/e of the way, whether asked once or in many steps.
    for (int step = 1; step <= 10; step++) {
        load.OperatingPoint(step * Tau / 10.0);
    }
    double expected = 25.0 + (voc - 25.0) * std::exp(-1.0);
    EXPECT_NEAR(load.OperatingPoint(Tau).voltage, expected, 1e-9);
    PowerPoint_T settled = load.OperatingPoint(20 * Tau);
    EXPECT_NEAR(settled.voltage, 25.0, 1e-6);
    EXPECT_NEAR(settled.current, module.Current(25.0), 1e-9);
    EXPECT_NEAR(settled.power, 25.0 * module.Current(25.0), 1e-6);

    // Back to open circuit: the voltage rises again with the same lag.
    load.SetDac(0, 20 * Tau);
    EXPECT_NEAR(load.OperatingPoint(21 * Tau).voltage, voc + (25.0 - voc) * std::exp(-1.0), 1e-6);
    EXPECT_NEAR(load.OperatingPoint(40 * Tau).voltage, voc, 1e-6);
}

TEST(PhysicsElectronicLoad, ShortCircuitIsLimitedByOnResistanceAndCurrentLimit) {
    PvModule module;
    ElectronicLoad load(module, Params(), 0.0);
    // Every set-point at or below 0 V ends on the resistor line V = I·Ron.
    for (int dac : {32768, 42592, 65535}) {
        load.SetDac(static_cast<uint16_t>(dac), 1.0);
        PowerPoint_T point = load.OperatingPoint(2.0);
        EXPECT_NEAR(point.voltage, point.current * 0.05, 1e-9) << dac;
        EXPECT_NEAR(point.current, module.Isc(), 0.01) << dac;
        EXPECT_GT(point.voltage, 0.0);
    }

    PvModule limited;
    ASSERT_EQ(limited.SetConditions(500.0, 25.0), VN_Sim::PHYS_OK);
    LoadParams_T params = Params();
    params.currentLimit = 5.0;
    ElectronicLoad weakLoad(limited, params, 0.0);
    weakLoad.SetDac(65535, 0.0);
    EXPECT_NEAR(weakLoad.OperatingPoint(1.0).current, limited.Isc(), 0.01);
    // A cloud clears: the limit holds at once, not after the settling lag.
    ASSERT_EQ(limited.SetConditions(1000.0, 25.0), VN_Sim::PHYS_OK);
    PowerPoint_T point = weakLoad.OperatingPoint(1.0);
    EXPECT_NEAR(point.current, 5.0, 1e-9);
    EXPECT_GT(point.voltage, limited.MaxPowerPoint().voltage);
}

TEST(PhysicsElectronicLoad, ConditionsChangingUnderTheLoadKeepItPhysical) {
    PvModule module;
    ElectronicLoad load(module, Params(), 0.0);
    load.SetDac(0, 0.0);
    load.OperatingPoint(1.0);
    // Heating lowers Voc below the held voltage: the module cannot stay above it.
    ASSERT_EQ(module.SetConditions(1000.0, 60.0), VN_Sim::PHYS_OK);
    PowerPoint_T point = load.OperatingPoint(1.0);
    EXPECT_DOUBLE_EQ(point.voltage, module.Voc());
    EXPECT_GE(point.current, -1e-9);

    // Night falls on a shorted module: nothing flows, nothing breaks.
    load.SetDac(65535, 1.0);
    ASSERT_EQ(module.SetConditions(0.0, 10.0), VN_Sim::PHYS_OK);
    point = load.OperatingPoint(2.0);
    EXPECT_NEAR(point.voltage, 0.0, 1e-9);
    EXPECT_NEAR(point.current, 0.0, 1e-9);
}

TEST(PhysicsElectronicLoad, TimeGoingBackOrNotFiniteAdvancesNothing) {
    PvModule module;
    ElectronicLoad load(module, Params(), 10.0);
    load.SetDac(16384, 10.0);
    double before = load.OperatingPoint(10.0005).voltage;
    EXPECT_DOUBLE_EQ(load.OperatingPoint(5.0).voltage, before);
    EXPECT_DOUBLE_EQ(load.OperatingPoint(NAN).voltage, before);
    // The lag restarts from the earlier time.
    EXPECT_NEAR(load.OperatingPoint(5.0 + 30 * Tau).voltage, 25.0, 1e-6);
}

}  // namespace
