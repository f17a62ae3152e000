#include <gtest/gtest.h>

#include <cmath>

#include "vn_sim/physics/linear_temp_sensor.h"
#include "vn_sim/physics/physics_error.h"
#include "vn_sim/physics/thermocouple.h"

namespace {

using VN_Sim::Thermocouple;

struct CheckValue_T {
    VN_Sim::ThermocoupleType_T type;
    double temperatureC;
    double millivolts;
};

TEST(PhysicsThermocouple, ReproducesPublishedReferenceValues) {
    const CheckValue_T checks[] = {
        {VN_Sim::TC_TYPE_T, -50.0, -1.819}, {VN_Sim::TC_TYPE_T, 100.0, 4.279},
        {VN_Sim::TC_TYPE_T, 200.0, 9.288},  {VN_Sim::TC_TYPE_J, -50.0, -2.431},
        {VN_Sim::TC_TYPE_J, 100.0, 5.269},  {VN_Sim::TC_TYPE_J, 200.0, 10.779},
        {VN_Sim::TC_TYPE_K, -50.0, -1.889}, {VN_Sim::TC_TYPE_K, 100.0, 4.096},
        {VN_Sim::TC_TYPE_K, 200.0, 8.138},
    };
    for (const CheckValue_T& check : checks) {
        double mv = NAN;
        ASSERT_EQ(Thermocouple(check.type).Emf(check.temperatureC, &mv), VN_Sim::PHYS_OK);
        EXPECT_NEAR(mv, check.millivolts, 0.0005) << check.type << " at " << check.temperatureC;
    }
}

TEST(PhysicsThermocouple, InverseRoundTripsOverEachWholeRange) {
    const struct {
        VN_Sim::ThermocoupleType_T type;
        double low;
        double high;
    } ranges[] = {{VN_Sim::TC_TYPE_T, -270.0, 400.0},
                  {VN_Sim::TC_TYPE_K, -270.0, 1372.0},
                  {VN_Sim::TC_TYPE_J, -210.0, 760.0}};
    for (const auto& range : ranges) {
        Thermocouple tc(range.type);
        // Includes the branch change at 0 °C; near -270 °C the curve is flat,
        // so the round trip there is only as good as the EMF's resolution.
        for (double t = range.low + 10.0; t <= range.high; t += (range.high - range.low) / 37.0) {
            double mv = 0.0;
            double back = NAN;
            ASSERT_EQ(tc.Emf(t, &mv), VN_Sim::PHYS_OK);
            ASSERT_EQ(tc.Temperature(mv, &back), VN_Sim::PHYS_OK);
            EXPECT_NEAR(back, t, 1e-6) << range.type << " at " << t;
        }
        double mv = 0.0;
        double t = 0.0;
        EXPECT_EQ(tc.Emf(0.0, &mv), VN_Sim::PHYS_OK);
        EXPECT_NEAR(mv, 0.0, 1e-8);  // type K's fitted branch is 2e-9 mV off at 0 °C
        ASSERT_EQ(tc.Temperature(0.0, &t), VN_Sim::PHYS_OK);
        EXPECT_NEAR(t, 0.0, 1e-9);
    }
}

TEST(PhysicsThermocouple, OutsideItsRangeIsRefusedNotExtrapolated) {
    Thermocouple j(VN_Sim::TC_TYPE_J);
    double mv = 123.0;
    EXPECT_EQ(j.Emf(761.0, &mv), VN_Sim::PHYS_OUT_OF_RANGE);
    EXPECT_EQ(j.Emf(-211.0, &mv), VN_Sim::PHYS_OUT_OF_RANGE);
    EXPECT_EQ(j.Emf(NAN, &mv), VN_Sim::PHYS_OUT_OF_RANGE);
    EXPECT_EQ(mv, 123.0);
    double t = 0.0;
    EXPECT_EQ(j.Temperature(100.0, &t), VN_Sim::PHYS_OUT_OF_RANGE);
    EXPECT_EQ(Thermocouple(VN_Sim::TC_TYPE_T).Emf(401.0, &mv), VN_Sim::PHYS_OUT_OF_RANGE);
    double volts = 0.0;
    EXPECT_EQ(Thermocouple(VN_Sim::TC_TYPE_T).OutputVolts(25.0, 500.0, &volts), VN_Sim::PHYS_OUT_OF_RANGE);
}

// What the card reads: the junction EMF against the card's own temperature,
// which its 10 mV/°C cold-junction sensor reports. Adding back the cold
// junction's EMF recovers the hot junction's temperature.
TEST(PhysicsThermocouple, ColdJunctionCompensationRecoversTheHotTemperature) {
    VN_Sim::LinearTempSensor coldJunctionSensor;
    double cardC = 31.5;
    double coldVolts = coldJunctionSensor.OutputVolts(cardC);
    EXPECT_NEAR(coldVolts * 100.0, cardC, 1e-12);
    for (VN_Sim::ThermocoupleType_T type : {VN_Sim::TC_TYPE_T, VN_Sim::TC_TYPE_K, VN_Sim::TC_TYPE_J}) {
        Thermocouple tc(type);
        double volts = 0.0;
        ASSERT_EQ(tc.OutputVolts(85.0, cardC, &volts), VN_Sim::PHYS_OK);
        EXPECT_GT(volts, 0.0);
        EXPECT_LT(volts, 0.01);  // within the card driver's ±10 mV window
        double coldMv = 0.0;
        double hot = 0.0;
        ASSERT_EQ(tc.Emf(coldVolts * 100.0, &coldMv), VN_Sim::PHYS_OK);
        ASSERT_EQ(tc.Temperature(volts * 1000.0 + coldMv, &hot), VN_Sim::PHYS_OK);
        EXPECT_NEAR(hot, 85.0, 1e-6);
    }
}

}  // namespace
