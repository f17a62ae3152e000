#include "vn_sim/physics/solar_position.h"

#include <cmath>
#include <ctime>

#include "vn_sim/physics/physics_error.h"

namespace VN_Sim {

namespace {
const double Pi = 3.14159265358979323846;
const double Degree = Pi / 180.0;
const double SecondsPerDay = 86400.0;
const double MaxSeconds = 1e12;
}  // namespace

int SunPosition(double utcSeconds, double latitudeDeg, double longitudeDeg,
                SolarPosition_T* position) {
    if (!(std::fabs(utcSeconds) <= MaxSeconds) || !(std::fabs(latitudeDeg) <= 90.0) ||
        !std::isfinite(longitudeDeg)) {
        return PHYS_OUT_OF_RANGE;
    }
    double days = std::floor(utcSeconds / SecondsPerDay);
    double secondOfDay = utcSeconds - days * SecondsPerDay;
    time_t midnight = static_cast<time_t>(days * SecondsPerDay);
    struct tm utc = {};
    gmtime_r(&midnight, &utc);
    int year = utc.tm_year + 1900;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    double hour = secondOfDay / 3600.0;

    double gamma = 2.0 * Pi / (leap ? 366.0 : 365.0) * (utc.tm_yday + (hour - 12.0) / 24.0);
    double equationOfTimeMin =
        229.18 * (0.000075 + 0.001868 * std::cos(gamma) - 0.032077 * std::sin(gamma) -
                  0.014615 * std::cos(2 * gamma) - 0.040849 * std::sin(2 * gamma));
    double declination = 0.006918 - 0.399912 * std::cos(gamma) + 0.070257 * std::sin(gamma) -
                         0.006758 * std::cos(2 * gamma) + 0.000907 * std::sin(2 * gamma) -
                         0.002697 * std::cos(3 * gamma) + 0.00148 * std::sin(3 * gamma);

    double solarMinutes = hour * 60.0 + equationOfTimeMin + 4.0 * longitudeDeg;
    solarMinutes = std::fmod(solarMinutes, 1440.0);
    if (solarMinutes < 0.0) {
        solarMinutes += 1440.0;
    }
    double hourAngle = (solarMinutes / 4.0 - 180.0) * Degree;
    double latitude = latitudeDeg * Degree;
    double sinElevation = std::sin(latitude) * std::sin(declination) +
                          std::cos(latitude) * std::cos(declination) * std::cos(hourAngle);

    position->elevationDeg = std::asin(std::fmax(-1.0, std::fmin(1.0, sinElevation))) / Degree;
    position->solarTimeHours = solarMinutes / 60.0;
    return PHYS_OK;
}

}  // namespace VN_Sim
