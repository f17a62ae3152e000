#include "vn_sim/physics/pv_module.h"

#include <algorithm>
#include <cmath>

#include "vn_sim/physics/lambert_w.h"
#include "vn_sim/physics/physics_error.h"
#include "vn_sim/physics/root_finder.h"

namespace VN_Sim {

namespace {

const double ReferenceIrradiance = 1000.0;    // W/m²
const double ReferenceTemperature = 298.15;   // K
const double KelvinOffset = 273.15;
const double Boltzmann = 8.617332478e-5;      // eV/K
const double MaxIrradiance = 2000.0;
const double MinCellTemperature = -60.0;
const double MaxCellTemperature = 150.0;
// Beyond this the bypass current exceeds anything a load could drive; capping
// the exponent keeps the current finite for absurd reverse voltages.
const double MaxBypassExponent = 700.0;
const double VoltageTolerance = 1e-12;        // V, inverse solutions
const double MaxPowerTolerance = 1e-10;       // fraction of Voc, maximum power search
const int MaxBracketDoublings = 80;

bool Finite(double value) { return std::isfinite(value); }

}  // namespace

PvModule::PvModule() { Recompute(); }

int PvModule::SetParams(const PvModuleParams_T& p) {
    bool finite = Finite(p.ilRef) && Finite(p.i0Ref) && Finite(p.rs) && Finite(p.rshRef) &&
                  Finite(p.aRef) && Finite(p.alphaSc) && Finite(p.egRef) && Finite(p.dEgdT) &&
                  Finite(p.bypassSaturation) && Finite(p.bypassThermalVoltage);
    if (!finite || p.ilRef < 0.0 || p.i0Ref <= 0.0 || p.rs <= 0.0 || p.rshRef <= 0.0 ||
        p.aRef <= 0.0 || p.egRef <= 0.0 || p.bypassDiodes < 0 || p.bypassSaturation <= 0.0 ||
        p.bypassThermalVoltage <= 0.0) {
        return PHYS_BAD_PARAMETER;
    }
    params = p;
    Recompute();
    return PHYS_OK;
}

int PvModule::SetConditions(double newIrradiance, double newCellTemperatureC) {
    if (!(newIrradiance >= 0.0 && newIrradiance <= MaxIrradiance) ||
        !(newCellTemperatureC >= MinCellTemperature && newCellTemperatureC <= MaxCellTemperature)) {
        return PHYS_OUT_OF_RANGE;
    }
    if (newIrradiance != irradiance || newCellTemperatureC != cellTemperatureC) {
        irradiance = newIrradiance;
        cellTemperatureC = newCellTemperatureC;
        Recompute();
    }
    return PHYS_OK;
}

// Irradiance and temperature dependence of the five parameters.
void PvModule::Recompute() {
    double tc = cellTemperatureC + KelvinOffset;
    double dt = tc - ReferenceTemperature;
    double eg = params.egRef * (1.0 + params.dEgdT * dt);
    diode.il = std::max(0.0, irradiance / ReferenceIrradiance * (params.ilRef + params.alphaSc * dt));
    diode.i0 = params.i0Ref * std::pow(tc / ReferenceTemperature, 3.0) *
               std::exp(params.egRef / (Boltzmann * ReferenceTemperature) - eg / (Boltzmann * tc));
    diode.rs = params.rs;
    diode.gsh = irradiance / (params.rshRef * ReferenceIrradiance);
    diode.a = params.aRef * tc / ReferenceTemperature;

    truth.irradiance = irradiance;
    truth.cellTemperature = cellTemperatureC;
    truth.isc = Current(0.0);
    truth.voc = Voltage(0.0);
    truth.maxPower = SearchMaxPower();
}

// Closed form I(V) of the implicit diode equation; the argument of W is
// handled by its logarithm because it overflows at forward voltages.
double PvModule::DiodeCurrent(double voltage) const {
    const Diode_T& d = diode;
    double denom = d.rs * d.gsh + 1.0;
    double logX = std::log(d.rs * d.i0 / (d.a * denom)) + (d.rs * (d.il + d.i0) + voltage) / (d.a * denom);
    return (d.il + d.i0 - voltage * d.gsh) / denom - d.a / d.rs * LambertW0FromLog(logX);
}

// The bypass diodes in series conduct only when the terminal voltage is reversed.
double PvModule::BypassCurrent(double voltage) const {
    if (voltage >= 0.0 || params.bypassDiodes == 0) {
        return 0.0;
    }
    double exponent = -voltage / (params.bypassDiodes * params.bypassThermalVoltage);
    return params.bypassSaturation * std::expm1(std::min(exponent, MaxBypassExponent));
}

double PvModule::Current(double voltage) const { return DiodeCurrent(voltage) + BypassCurrent(voltage); }

// The current falls strictly with the voltage, so the inverse is a bracketed
// root: between 0 and Voc inside the first quadrant, else found by widening.
double PvModule::Voltage(double current) const {
    if (!Finite(current)) {
        return NAN;
    }
    auto excess = [this, current](double v) { return Current(v) - current; };
    double lo = 0.0;
    double hi = truth.voc;
    double step = 1.0;
    for (int i = 0; i < MaxBracketDoublings && excess(lo) < 0.0; i++, step *= 2.0) {
        hi = lo;
        lo = -step;
    }
    step = 1.0;
    for (int i = 0; i < MaxBracketDoublings && excess(hi) > 0.0; i++, step *= 2.0) {
        lo = hi;
        hi = truth.voc + step;
    }
    double root = NAN;
    FindRoot(excess, lo, hi, VoltageTolerance, &root);
    return root;
}

// Golden-section search of V·I(V) on [0, Voc]: the power has one maximum there.
PowerPoint_T PvModule::SearchMaxPower() const {
    const double invPhi = (std::sqrt(5.0) - 1.0) / 2.0;
    auto power = [this](double v) { return v * Current(v); };
    double lo = 0.0;
    double hi = truth.voc;
    double x1 = hi - invPhi * (hi - lo);
    double x2 = lo + invPhi * (hi - lo);
    double p1 = power(x1);
    double p2 = power(x2);
    double tolerance = MaxPowerTolerance * std::max(truth.voc, 1e-3);
    while (hi - lo > tolerance) {
        if (p1 < p2) {
            lo = x1;
            x1 = x2;
            p1 = p2;
            x2 = lo + invPhi * (hi - lo);
            p2 = power(x2);
        } else {
            hi = x2;
            x2 = x1;
            p2 = p1;
            x1 = hi - invPhi * (hi - lo);
            p1 = power(x1);
        }
    }
    PowerPoint_T mpp;
    mpp.voltage = 0.5 * (lo + hi);
    mpp.current = Current(mpp.voltage);
    mpp.power = mpp.voltage * mpp.current;
    return mpp;
}

}  // namespace VN_Sim
