#include "dac_scale.h"

#include <cmath>

namespace VN_Lib {

int LimitDac(double value) {
    if (!(value > DacOpenCircuit)) return DacOpenCircuit;  // NaN too
    if (value >= DacShortCircuit) return DacShortCircuit;
    return static_cast<int>(value);
}

int VoltsToDac(double volts, double vmax) {
    return LimitDac(DacZeroVolts - std::trunc(volts * DacZeroVolts / vmax));
}

}  // namespace VN_Lib
