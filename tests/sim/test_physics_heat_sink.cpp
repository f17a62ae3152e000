#include <gtest/gtest.h>

#include <cmath>

#include "vn_sim/physics/heat_sink.h"
#include "vn_sim/physics/physics_error.h"
#include "vn_sim/physics/pv_module.h"

namespace {

using VN_Sim::HeatSink;
using VN_Sim::HeatSinkParams_T;

const double Intake = 30.0;

// Four default modules at their maximum power in full sun on a hot day.
double FullSunPower() {
    VN_Sim::PvModule module;
    EXPECT_EQ(module.SetConditions(1000.0, 55.0), VN_Sim::PHYS_OK);
    return 4.0 * module.MaxPowerPoint().power;
}

TEST(PhysicsHeatSink, FullSunOverheatsWithoutFansButNotWithThem) {
    double power = FullSunPower();
    EXPECT_GT(power, 950.0);
    HeatSink still(HeatSinkParams_T(), 0.0, Intake);
    HeatSink cooled(HeatSinkParams_T(), 0.0, Intake);
    ASSERT_EQ(still.SetInputs(0.0, power, 0.0, Intake), VN_Sim::PHYS_OK);
    ASSERT_EQ(cooled.SetInputs(0.0, power, 100.0, Intake), VN_Sim::PHYS_OK);
    const double twoHours = 7200.0;
    EXPECT_GT(still.Temperature(twoHours), 110.0);
    EXPECT_LT(cooled.Temperature(twoHours), 70.0);
    // Even the fans' 20 % minimum keeps it below the trip point.
    HeatSink idleFans(HeatSinkParams_T(), 0.0, Intake);
    ASSERT_EQ(idleFans.SetInputs(0.0, power, 20.0, Intake), VN_Sim::PHYS_OK);
    EXPECT_LT(idleFans.Temperature(twoHours), 110.0);
}

TEST(PhysicsHeatSink, WarmsAndCoolsFirstOrderWithTheFanDependentTimeConstant) {
    HeatSinkParams_T params;
    HeatSink sink(params, 100.0, Intake);
    ASSERT_EQ(sink.SetInputs(100.0, 500.0, 0.0, Intake), VN_Sim::PHYS_OK);
    double steady = Intake + 500.0 * params.stillResistance;
    EXPECT_DOUBLE_EQ(sink.SteadyTemperature(), steady);
    double tauStill = params.stillResistance * params.heatCapacity;
    // Asked once or minute by minute, one time constant covers 1 − 1/e of the way.
    for (double t = 100.0; t < 100.0 + tauStill; t += 60.0) {
        sink.Temperature(t);
    }
    EXPECT_NEAR(sink.Temperature(100.0 + tauStill), steady + (Intake - steady) * std::exp(-1.0), 1e-9);

    // Fans to full: the temperature falls toward the lower steady value, faster.
    double start = 100.0 + tauStill;
    double hot = sink.Temperature(start);
    ASSERT_EQ(sink.SetInputs(start, 500.0, 100.0, Intake), VN_Sim::PHYS_OK);
    double cooledSteady = Intake + 500.0 * params.fullResistance;
    double tauFull = params.fullResistance * params.heatCapacity;
    EXPECT_NEAR(sink.Temperature(start + tauFull), cooledSteady + (hot - cooledSteady) * std::exp(-1.0), 1e-9);
    EXPECT_LT(sink.Temperature(start + 10 * tauFull), cooledSteady + 0.01);

    // Power off: back to the intake temperature.
    ASSERT_EQ(sink.SetInputs(start + 10 * tauFull, 0.0, 100.0, Intake), VN_Sim::PHYS_OK);
    EXPECT_NEAR(sink.Temperature(start + 30 * tauFull), Intake, 1e-3);
}

TEST(PhysicsHeatSink, RefusesNonFiniteInputs) {
    HeatSink sink(HeatSinkParams_T(), 0.0, Intake);
    ASSERT_EQ(sink.SetInputs(0.0, 300.0, 50.0, Intake), VN_Sim::PHYS_OK);
    EXPECT_EQ(sink.SetInputs(10.0, NAN, 50.0, Intake), VN_Sim::PHYS_OUT_OF_RANGE);
    EXPECT_EQ(sink.SetInputs(10.0, 300.0, INFINITY, Intake), VN_Sim::PHYS_OUT_OF_RANGE);
    double before = sink.Temperature(10.0);
    EXPECT_TRUE(std::isfinite(before));
    EXPECT_DOUBLE_EQ(sink.Temperature(NAN), before);
    EXPECT_DOUBLE_EQ(sink.Temperature(5.0), before);  // time going back
}

}  // namespace
