#ifndef VN_SIM_PV_MODULE_H
#define VN_SIM_PV_MODULE_H

#include "vn_sim/physics/power_point.h"

namespace VN_Sim {

// Single-diode parameters at the reference conditions (1000 W/m², 25 °C).
// The defaults are a 280 W mono module of 60 cells in three substrings, each
// with its bypass diode.
struct PvModuleParams_T {
    double ilRef = 9.061;      // A, light current
    double i0Ref = 7.08e-10;   // A, diode saturation current
    double rs = 0.14;          // ohm, series resistance
    double rshRef = 880.22;    // ohm, shunt resistance
    double aRef = 1.6718;      // V, modified ideality factor (n × cells × kT/q)
    double alphaSc = 0.005753; // A/K, temperature coefficient of the light current
    double egRef = 1.121;      // eV, band gap
    double dEgdT = -0.0002677; // 1/K, relative change of the band gap
    // Bypass diodes clamp a module driven beyond its short-circuit current to
    // a small negative voltage, as on a real module; 0 diodes leaves the bare
    // diode model (the shunt resistance then sets the reverse voltage).
    int bypassDiodes = 3;
    double bypassSaturation = 1e-6;     // A, per diode
    double bypassThermalVoltage = 0.03; // V, n·kT/q of one diode
};

// What a perfect instrument would report about the module right now.
struct ModuleTruth_T {
    double irradiance = 0.0;       // W/m²
    double cellTemperature = 0.0;  // °C
    double isc = 0.0;              // A
    double voc = 0.0;              // V
    PowerPoint_T maxPower;         // Vmp, Imp, Pmax
};

// A PV module at given irradiance and cell temperature: the single-diode
// model with the usual irradiance and temperature dependence of its five
// parameters, solved exactly (closed form through the Lambert W function).
// Not synchronised: the owner serialises changes and queries.
class PvModule {
public:
    // The default module at 1000 W/m² and 25 °C.
    PvModule();

    // PHYS_BAD_PARAMETER (and no change) for parameters no module can have.
    int SetParams(const PvModuleParams_T& params);
    const PvModuleParams_T& Params() const { return params; }

    // Irradiance 0..2000 W/m², cell temperature -60..150 °C; outside that
    // PHYS_OUT_OF_RANGE and the conditions stay as they were.
    int SetConditions(double irradiance, double cellTemperatureC);
    double Irradiance() const { return irradiance; }
    double CellTemperature() const { return cellTemperatureC; }

    // Terminal current at a terminal voltage, and the inverse; defined for
    // every finite argument, reverse voltage and reverse current included.
    double Current(double voltage) const;
    double Voltage(double current) const;

    double Isc() const { return truth.isc; }
    double Voc() const { return truth.voc; }
    PowerPoint_T MaxPowerPoint() const { return truth.maxPower; }
    const ModuleTruth_T& Truth() const { return truth; }

private:
    // The five parameters at the present conditions; gsh = 1/Rsh (0 in the dark).
    struct Diode_T {
        double il = 0.0;
        double i0 = 0.0;
        double rs = 0.0;
        double gsh = 0.0;
        double a = 0.0;
    };

    void Recompute();
    double DiodeCurrent(double voltage) const;
    double BypassCurrent(double voltage) const;
    PowerPoint_T SearchMaxPower() const;

    PvModuleParams_T params;
    double irradiance = 1000.0;
    double cellTemperatureC = 25.0;
    Diode_T diode;
    ModuleTruth_T truth;
};

}  // namespace VN_Sim

#endif
