#ifndef VN_SIM_ENVIRONMENT_H
#define VN_SIM_ENVIRONMENT_H

#include "vn_sim/physics/cloud_cover.h"

namespace VN_Sim {

struct EnvironmentParams_T {
    // Fixed conditions (tests) or a clear-sky day at a place (demonstrations).
    bool clearSky = false;
    double fixedIrradiance = 1000.0;  // W/m²
    double fixedAmbientC = 25.0;
    double latitudeDeg = 45.0;        // north positive
    double longitudeDeg = 0.0;        // east positive
    // The clear-sky day's air temperature: coolest at 03:00, warmest at 15:00 solar time.
    double ambientMinC = 15.0;
    double ambientMaxC = 28.0;
    // Cell temperature above ambient per W/m², from the nominal operating cell
    // temperature: (45 °C − 20 °C) / 800 W/m².
    double cellRisePerIrradiance = 0.03125;
    CloudParams_T clouds;             // applied in both modes; none by default
};

// What the environment offers the station at an instant.
struct Conditions_T {
    double irradiance = 0.0;        // W/m², on the modules and pyranometers
    double ambientC = 0.0;
    double cellTemperatureC = 0.0;  // of every module in the sun
};

// Weather as a pure function of UTC time and the parameters, so every
// process of a station agrees on it. The clear sky is a horizontal global
// irradiance of 1098 W/m² × cos z × exp(−0.057 / cos z) at solar zenith z.
class Environment {
public:
    explicit Environment(const EnvironmentParams_T& params);

    static int CheckParams(const EnvironmentParams_T& params);

    // PHYS_OUT_OF_RANGE for a time outside what the sun position covers.
    int At(double utcSeconds, Conditions_T* conditions) const;

private:
    EnvironmentParams_T params;
    CloudCover clouds;
};

}  // namespace VN_Sim

#endif
