#include "vn_sim/physics/environment.h"

#include <cmath>

#include "vn_sim/physics/physics_error.h"
#include "vn_sim/physics/solar_position.h"

namespace VN_Sim {

namespace {
const double Pi = 3.14159265358979323846;
const double MaxSeconds = 1e12;
const double MaxIrradiance = 2000.0;
const double MinAirTemperature = -60.0;
const double MaxAirTemperature = 80.0;
const double MaxCellRise = 0.1;  // K per W/m², far beyond any mounting
const double WarmestHour = 15.0;
const double ClearSkyScale = 1098.0;     // W/m²
const double ClearSkyExtinction = 0.057;

bool InRange(double value, double low, double high) { return value >= low && value <= high; }
}  // namespace

Environment::Environment(const EnvironmentParams_T& environmentParams)
    : params(environmentParams), clouds(environmentParams.clouds) {}

int Environment::CheckParams(const EnvironmentParams_T& p) {
    bool valid = InRange(p.fixedIrradiance, 0.0, MaxIrradiance) &&
                 InRange(p.fixedAmbientC, MinAirTemperature, MaxAirTemperature) &&
                 InRange(p.latitudeDeg, -90.0, 90.0) && InRange(p.longitudeDeg, -180.0, 180.0) &&
                 InRange(p.ambientMinC, MinAirTemperature, MaxAirTemperature) &&
                 InRange(p.ambientMaxC, p.ambientMinC, MaxAirTemperature) &&
                 InRange(p.cellRisePerIrradiance, 0.0, MaxCellRise);
    if (!valid) {
        return PHYS_BAD_PARAMETER;
    }
    return CloudCover::CheckParams(p.clouds);
}

int Environment::At(double utcSeconds, Conditions_T* conditions) const {
    if (!(std::fabs(utcSeconds) <= MaxSeconds)) {
        return PHYS_OUT_OF_RANGE;
    }
    double irradiance = params.fixedIrradiance;
    double ambient = params.fixedAmbientC;
    if (params.clearSky) {
        SolarPosition_T sun;
        int result = SunPosition(utcSeconds, params.latitudeDeg, params.longitudeDeg, &sun);
        if (result != PHYS_OK) {
            return result;
        }
        double cosZenith = std::sin(sun.elevationDeg * Pi / 180.0);
        irradiance = cosZenith > 0.0
                         ? ClearSkyScale * cosZenith * std::exp(-ClearSkyExtinction / cosZenith)
                         : 0.0;
        double mid = 0.5 * (params.ambientMinC + params.ambientMaxC);
        double swing = 0.5 * (params.ambientMaxC - params.ambientMinC);
        ambient = mid + swing * std::cos(2.0 * Pi * (sun.solarTimeHours - WarmestHour) / 24.0);
    }
    conditions->irradiance = irradiance * clouds.Transmission(utcSeconds);
    conditions->ambientC = ambient;
    conditions->cellTemperatureC = ambient + params.cellRisePerIrradiance * conditions->irradiance;
    return PHYS_OK;
}

}  // namespace VN_Sim
