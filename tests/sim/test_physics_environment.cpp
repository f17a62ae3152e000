#include <gtest/gtest.h>

#include <cmath>

#include "vn_sim/physics/environment.h"
#include "vn_sim/physics/physics_error.h"
#include "vn_sim/physics/solar_position.h"

namespace {

using VN_Sim::Conditions_T;
using VN_Sim::Environment;
using VN_Sim::EnvironmentParams_T;

// 2026-06-21 00:00 UTC and 2026-12-21 00:00 UTC.
const double Summer = 1782000000.0;
const double Winter = 1797811200.0;

// Highest sun over the UTC day starting at midnight, and when (hours UTC).
void SunPeak(double midnight, double latitude, double longitude, double* elevation, double* hourUtc) {
    *elevation = -90.0;
    for (int minute = 0; minute < 1440; minute++) {
        VN_Sim::SolarPosition_T sun;
        ASSERT_EQ(VN_Sim::SunPosition(midnight + minute * 60.0, latitude, longitude, &sun), VN_Sim::PHYS_OK);
        if (sun.elevationDeg > *elevation) {
            *elevation = sun.elevationDeg;
            *hourUtc = minute / 60.0;
        }
    }
}

TEST(PhysicsSolarPosition, NoonElevationFollowsLatitudeAndSeason) {
    double elevation = 0.0;
    double hour = 0.0;
    // At 48° N the noon sun stands 90 − 48 ± 23.44 degrees high at the solstices,
    // and solar noon at 11° E comes 44 minutes before 12:00 UTC (± equation of time).
    SunPeak(Summer, 48.0, 11.0, &elevation, &hour);
    EXPECT_NEAR(elevation, 65.44, 0.3);
    EXPECT_NEAR(hour, 11.0 + 16.0 / 60.0, 0.1);
    SunPeak(Winter, 48.0, 11.0, &elevation, &hour);
    EXPECT_NEAR(elevation, 18.56, 0.3);
    SunPeak(Summer, -33.9, 18.4, &elevation, &hour);  // southern winter
    EXPECT_NEAR(elevation, 90.0 - 33.9 - 23.44, 0.3);

    VN_Sim::SolarPosition_T sun;
    EXPECT_EQ(VN_Sim::SunPosition(NAN, 48.0, 11.0, &sun), VN_Sim::PHYS_OUT_OF_RANGE);
    EXPECT_EQ(VN_Sim::SunPosition(Summer, 91.0, 11.0, &sun), VN_Sim::PHYS_OUT_OF_RANGE);
}

TEST(PhysicsEnvironment, ClearSkyIsDarkAtNightAndPlausibleAtNoon) {
    EnvironmentParams_T params;
    params.clearSky = true;
    params.latitudeDeg = 48.0;
    params.longitudeDeg = 11.0;
    ASSERT_EQ(Environment::CheckParams(params), VN_Sim::PHYS_OK);
    Environment environment(params);
    Conditions_T night;
    Conditions_T noon;
    ASSERT_EQ(environment.At(Summer + 23.0 * 3600.0, &night), VN_Sim::PHYS_OK);
    ASSERT_EQ(environment.At(Summer + 11.27 * 3600.0, &noon), VN_Sim::PHYS_OK);
    EXPECT_EQ(night.irradiance, 0.0);
    EXPECT_DOUBLE_EQ(night.cellTemperatureC, night.ambientC);
    EXPECT_GT(noon.irradiance, 850.0);
    EXPECT_LT(noon.irradiance, 1050.0);
    EXPECT_GT(noon.ambientC, night.ambientC);
    EXPECT_GE(night.ambientC, params.ambientMinC);
    EXPECT_LE(noon.ambientC, params.ambientMaxC);
    EXPECT_NEAR(noon.cellTemperatureC, noon.ambientC + noon.irradiance * 0.03125, 1e-9);

    Conditions_T winterNoon;
    ASSERT_EQ(environment.At(Winter + 11.27 * 3600.0, &winterNoon), VN_Sim::PHYS_OK);
    EXPECT_GT(winterNoon.irradiance, 200.0);
    EXPECT_LT(winterNoon.irradiance, noon.irradiance / 2.0);
    EXPECT_EQ(environment.At(1e13, &noon), VN_Sim::PHYS_OUT_OF_RANGE);
}

TEST(PhysicsEnvironment, CloudsAreAFunctionOfSeedAndTimeOnly) {
    EnvironmentParams_T params;
    params.clouds.fraction = 0.5;
    params.clouds.seed = 42;
    ASSERT_EQ(Environment::CheckParams(params), VN_Sim::PHYS_OK);
    Environment first(params);
    Environment second(params);
    params.clouds.seed = 43;
    Environment otherSeed(params);

    int shaded = 0;
    int differing = 0;
    double previous = NAN;
    double largestStep = 0.0;
    // Second by second over four hours; the twin is asked in reverse order.
    const int seconds = 4 * 3600;
    for (int s = 0; s < seconds; s++) {
        double t = Summer + s;
        Conditions_T a;
        Conditions_T b;
        Conditions_T c;
        ASSERT_EQ(first.At(t, &a), VN_Sim::PHYS_OK);
        ASSERT_EQ(second.At(Summer + seconds - 1 - s, &b), VN_Sim::PHYS_OK);
        ASSERT_EQ(second.At(t, &b), VN_Sim::PHYS_OK);
        ASSERT_EQ(otherSeed.At(t, &c), VN_Sim::PHYS_OK);
        EXPECT_EQ(a.irradiance, b.irradiance);
        ASSERT_LE(a.irradiance, 1000.0);
        ASSERT_GE(a.irradiance, 200.0 - 1e-9);
        shaded += a.irradiance < 1000.0 && s % 60 == 30;
        differing += a.irradiance != c.irradiance;
        if (s > 0) {
            largestStep = std::fmax(largestStep, std::fabs(a.irradiance - previous));
        }
        previous = a.irradiance;
    }
    EXPECT_GT(shaded, 240 * 0.35);  // about half of the 240 one-minute periods
    EXPECT_LT(shaded, 240 * 0.65);
    EXPECT_GT(differing, 0);
    // Cloud edges ramp over 5 s: no jump of the full 80 % shading in one second.
    EXPECT_LE(largestStep, 800.0 / 5.0 + 1e-9);
    EXPECT_GT(largestStep, 0.0);
}

}  // namespace
