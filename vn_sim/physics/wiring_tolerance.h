#ifndef VN_SIM_WIRING_TOLERANCE_H
#define VN_SIM_WIRING_TOLERANCE_H

namespace VN_Sim {

// The path from a module quantity to a card input: a voltage divider (gain in
// V per V, e.g. 1/20) or a current shunt with its amplifier (gain in V per A),
// whose true gain differs from the nominal by the part's tolerance, different
// for every channel. That difference is what channel calibration corrects.
class WiringTolerance {
public:
    // tolerance: relative error of this channel, e.g. 0.004 for +0.4 %.
    WiringTolerance(double nominalGain, double tolerance)
        : nominal(nominalGain), actual(nominalGain * (1.0 + tolerance)) {}

    double CardVolts(double quantity) const { return quantity * actual; }
    double NominalGain() const { return nominal; }
    double TrueGain() const { return actual; }

private:
    double nominal;
    double actual;
};

}  // namespace VN_Sim

#endif
