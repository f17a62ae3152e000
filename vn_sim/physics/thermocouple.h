#ifndef VN_SIM_THERMOCOUPLE_H
#define VN_SIM_THERMOCOUPLE_H

namespace VN_Sim {

enum ThermocoupleType_T { TC_TYPE_T, TC_TYPE_K, TC_TYPE_J };

// A thermocouple by the ITS-90 reference functions: EMF in mV of a junction
// at t °C against 0 °C, its inverse, and the voltage a card input sees with
// the cold junction at the card's temperature. Defined on -270..400 °C (T),
// -270..1372 °C (K) and -210..760 °C (J); outside, PHYS_OUT_OF_RANGE and the
// result is left untouched rather than extrapolated.
class Thermocouple {
public:
    explicit Thermocouple(ThermocoupleType_T kind) : type(kind) {}
    ThermocoupleType_T Type() const { return type; }

    int Emf(double temperatureC, double* millivolts) const;
    // Inverse of Emf to 1e-9 °C.
    int Temperature(double millivolts, double* temperatureC) const;
    // E(hot) − E(cold), in volts as the card input sees it.
    int OutputVolts(double hotC, double coldC, double* volts) const;

private:
    void Range(double* lowC, double* highC) const;

    ThermocoupleType_T type;
};

}  // namespace VN_Sim

#endif
