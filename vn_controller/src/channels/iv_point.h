#ifndef VN_CONTROLLER_IV_POINT_H
#define VN_CONTROLLER_IV_POINT_H

namespace VN_Sample {

struct IvPointType {
    double amps = 0.0;
    double volts = 0.0;
    double power = 0.0;  // amps × volts, set when the point is added to a curve
};

}  // namespace VN_Sample

#endif
