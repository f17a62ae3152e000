#ifndef VN_FIRMWARE_CURVE_TYPE_H
#define VN_FIRMWARE_CURVE_TYPE_H

#include <string>

namespace VN_Lib {

// One I-V sweep of a module: points 0..n-1 are valid, framed by the
// short-circuit and the open-circuit point.
struct curve_type {
    static constexpr int MaxPoints = 301;
    double isc = 0.0;
    double voc = 0.0;
    double voltageResolution = 0.0;
    double currentResolution = 0.0;
    double voltageFullScale = 0.0;
    double currentFullScale = 0.0;
    int n = 0;
    double voltages[MaxPoints] = {};
    double currents[MaxPoints] = {};
};

// One diagnostic record of a sweep stage.
struct CurveTest_T {
    double value1 = -999.0;
    double value2 = -999.0;
    unsigned int count = 0;
    std::string label;
};

}  // namespace VN_Lib

#endif
