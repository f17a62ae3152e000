#include "vn_sim/physics/heat_sink.h"

#include <algorithm>
#include <cmath>

#include "vn_sim/physics/physics_error.h"

namespace VN_Sim {

HeatSink::HeatSink(const HeatSinkParams_T& sinkParams, double startTime, double startTemperatureC)
    : params(sinkParams), lastTime(startTime), temperature(startTemperatureC), intake(startTemperatureC) {}

int HeatSink::CheckParams(const HeatSinkParams_T& p) {
    bool valid = std::isfinite(p.stillResistance) && std::isfinite(p.heatCapacity) &&
                 p.fullResistance > 0.0 && p.fullResistance <= p.stillResistance && p.heatCapacity > 0.0;
    return valid ? PHYS_OK : PHYS_BAD_PARAMETER;
}

double HeatSink::ThermalResistance(double fan) const {
    double share = std::clamp(fan, 0.0, 100.0) / 100.0;
    double conductance = (1.0 - share) / params.stillResistance + share / params.fullResistance;
    return 1.0 / conductance;
}

double HeatSink::SteadyTemperature() const { return intake + power * ThermalResistance(fanPercent); }

int HeatSink::SetInputs(double t, double powerW, double newFanPercent, double intakeC) {
    if (!std::isfinite(powerW) || !std::isfinite(newFanPercent) || !std::isfinite(intakeC)) {
        return PHYS_OUT_OF_RANGE;
    }
    Advance(t);
    power = powerW;
    fanPercent = std::clamp(newFanPercent, 0.0, 100.0);
    intake = intakeC;
    return PHYS_OK;
}

double HeatSink::Temperature(double t) {
    Advance(t);
    return temperature;
}

void HeatSink::Advance(double t) {
    if (!std::isfinite(t)) {
        return;
    }
    double dt = t - lastTime;
    if (dt > 0.0) {
        double timeConstant = ThermalResistance(fanPercent) * params.heatCapacity;
        double steady = SteadyTemperature();
        temperature = steady + (temperature - steady) * std::exp(-dt / timeConstant);
    }
    lastTime = t;
}

}  // namespace VN_Sim
