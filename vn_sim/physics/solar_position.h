#ifndef VN_SIM_SOLAR_POSITION_H
#define VN_SIM_SOLAR_POSITION_H

namespace VN_Sim {

// Where the sun stands for an observer, from the usual low-precision solar
// position formulas (fractional-year series for declination and equation of
// time; good to a few tenths of a degree, plenty for a simulated sky).
struct SolarPosition_T {
    double elevationDeg = 0.0;   // above the horizon; negative at night
    double solarTimeHours = 0.0; // true solar time, 0..24, 12 at solar noon
};

// utcSeconds: seconds since 1970-01-01 00:00 UTC, within about ±30000 years.
// Latitude north and longitude east positive, in degrees. PHYS_OUT_OF_RANGE
// for a time outside that span or a latitude beyond ±90°.
int SunPosition(double utcSeconds, double latitudeDeg, double longitudeDeg,
                SolarPosition_T* position);

}  // namespace VN_Sim

#endif
