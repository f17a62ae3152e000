#include "vn_sim/station/input_transducer.h"

#include <limits>

namespace VN_Sim {

InputTransducer::InputTransducer(double nominalGain, double tolerance, bool isThermocouple, ThermocoupleType_T type)
    : wiring(nominalGain, tolerance), thermocouple(isThermocouple), couple(type) {}

InputTransducer InputTransducer::Linear(double nominalGain, double tolerance) {
    return InputTransducer(nominalGain, tolerance, false, TC_TYPE_T);
}

InputTransducer InputTransducer::Thermocouple(ThermocoupleType_T type) {
    return InputTransducer(1.0, 0.0, true, type);
}

double InputTransducer::Volts(double quantity, double coldJunctionC) const {
    if (!thermocouple) return wiring.CardVolts(quantity);
    double volts = 0.0;
    if (couple.OutputVolts(quantity, coldJunctionC, &volts) != 0) return std::numeric_limits<double>::quiet_NaN();
    return volts;
}

}  // namespace VN_Sim
