#ifndef VN_SIM_STATION_INPUT_TRANSDUCER_H
#define VN_SIM_STATION_INPUT_TRANSDUCER_H

#include "vn_sim/physics/thermocouple.h"
#include "vn_sim/physics/wiring_tolerance.h"

namespace VN_Sim {

// What stands between a physical quantity and a card input: a linear path
// (divider, shunt, pyranometer; true gain off nominal by the part's
// tolerance) or a thermocouple whose cold junction sits at the card.
class InputTransducer {
public:
    static InputTransducer Linear(double nominalGain, double tolerance);
    static InputTransducer Thermocouple(ThermocoupleType_T type);

    bool NeedsColdJunction() const { return thermocouple; }
    // Volts at the card input; NaN when the sensor has no output for the
    // quantity (a thermocouple beyond its table), so the card reports it
    // instead of converting a made-up value.
    double Volts(double quantity, double coldJunctionC) const;

    double NominalGain() const { return wiring.NominalGain(); }
    double TrueGain() const { return wiring.TrueGain(); }

private:
    InputTransducer(double nominalGain, double tolerance, bool isThermocouple, ThermocoupleType_T type);

    WiringTolerance wiring;
    bool thermocouple;
    VN_Sim::Thermocouple couple;
};

}  // namespace VN_Sim

#endif
