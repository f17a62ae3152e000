#include "vn_sim/physics/electronic_load.h"

#include <algorithm>
#include <cmath>

#include "vn_sim/physics/physics_error.h"
#include "vn_sim/physics/root_finder.h"

namespace VN_Sim {

namespace {
const double DacZeroVolts = 32768.0;
const double VoltageTolerance = 1e-12;  // V
}  // namespace

ElectronicLoad::ElectronicLoad(PvModule& loadedModule, const LoadParams_T& loadParams, double startTime)
    : module(loadedModule), params(loadParams), voltage(loadedModule.Voc()), lastTime(startTime) {}

int ElectronicLoad::CheckParams(const LoadParams_T& p) {
    bool finite = std::isfinite(p.vmax) && std::isfinite(p.onResistance) &&
                  std::isfinite(p.currentLimit) && std::isfinite(p.timeConstant);
    if (!finite || p.vmax <= 0.0 || p.onResistance < 0.0 || p.currentLimit <= 0.0 ||
        p.timeConstant < 0.0) {
        return PHYS_BAD_PARAMETER;
    }
    return PHYS_OK;
}

void ElectronicLoad::SetDac(uint16_t newDac, double t) {
    Advance(t);
    dac = newDac;
}

PowerPoint_T ElectronicLoad::OperatingPoint(double t) {
    Advance(t);
    PowerPoint_T point;
    point.voltage = voltage;
    point.current = module.Current(voltage);
    point.power = point.voltage * point.current;
    return point;
}

double ElectronicLoad::FloorVoltage() const {
    double voc = module.Voc();
    double ron = std::max(0.0, params.onResistance);
    // The resistor line V = I·Ron meets the module curve once in [0, Voc].
    double ronVoltage = 0.0;
    if (ron > 0.0 && voc > 0.0) {
        FindRoot([this, ron](double v) { return v - ron * module.Current(v); }, 0.0, voc,
                 VoltageTolerance, &ronVoltage);
    }
    double limitVoltage = module.Voltage(params.currentLimit);
    return std::max(ronVoltage, limitVoltage);
}

double ElectronicLoad::Target(double floorVoltage) const {
    double voc = module.Voc();
    if (dac == 0) {
        return voc;
    }
    double setPoint = (DacZeroVolts - dac) * params.vmax / DacZeroVolts;
    return std::min(voc, std::max(setPoint, floorVoltage));
}

double ElectronicLoad::EquilibriumVoltage() const { return Target(FloorVoltage()); }

void ElectronicLoad::Advance(double t) {
    if (!std::isfinite(t)) {
        return;
    }
    double floorVoltage = FloorVoltage();
    double target = Target(floorVoltage);
    double dt = t - lastTime;
    if (dt > 0.0) {
        voltage = params.timeConstant > 0.0
                      ? target + (voltage - target) * std::exp(-dt / params.timeConstant)
                      : target;
    }
    lastTime = t;
    // Conditions may have moved since the last call: the stage's limits and
    // the module's open-circuit voltage bound the voltage at every instant.
    voltage = std::min(module.Voc(), std::max(voltage, floorVoltage));
}

}  // namespace VN_Sim
