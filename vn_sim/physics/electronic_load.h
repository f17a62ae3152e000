#ifndef VN_SIM_ELECTRONIC_LOAD_H
#define VN_SIM_ELECTRONIC_LOAD_H

#include <cstdint>

#include "vn_sim/physics/power_point.h"
#include "vn_sim/physics/pv_module.h"

namespace VN_Sim {

struct LoadParams_T {
    double vmax = 50.0;          // V, full scale of the set-point
    double onResistance = 0.05;  // ohm, of the fully conducting power stage
    double currentLimit = 15.0;  // A
    double timeConstant = 0.001; // s, first-order settling toward a new operating point
};

// The electronic load of one module: a sink whose 16-bit DAC sets the
// operating point of its module.
//   0            open circuit: no current, the module sits at Voc.
//   1 .. 65535   voltage set-point (32768 − dac) × vmax / 32768: vmax just
//                above 0, 0 V at 32768, continuing linearly below 0 V up to
//                about −vmax at 65535. A passive stage cannot pull its module
//                below current × on-resistance, so every set-point at or below
//                0 V is the short circuit through the on-resistance.
// The current never exceeds the current limit, and a set-point above Voc
// draws nothing. The module voltage settles toward that equilibrium with a
// first-order lag, evaluated lazily at the (non-decreasing) times the caller
// passes in; on-resistance and current limit act at once. Time is simulated
// seconds from the caller; the load reads no clock. The module must outlive
// the load. Not synchronised: the owner serialises calls.
class ElectronicLoad {
public:
    ElectronicLoad(PvModule& module, const LoadParams_T& params, double startTime);

    // PHYS_BAD_PARAMETER for a non-positive vmax or current limit, a negative
    // on-resistance or time constant, or anything not finite.
    static int CheckParams(const LoadParams_T& params);

    // Advances the load to time t under the old set-point, then applies dac.
    void SetDac(uint16_t dac, double t);
    uint16_t Dac() const { return dac; }

    // The module's operating point at time t (advancing the load to t); its
    // power is what the load absorbs. A time before the last one advances
    // nothing and restarts the lag from there.
    PowerPoint_T OperatingPoint(double t);

    // Where the module ends up if the set-point and conditions stay as they are.
    double EquilibriumVoltage() const;

private:
    // Lowest voltage the stage allows: on-resistance and current limit.
    double FloorVoltage() const;
    double Target(double floorVoltage) const;
    void Advance(double t);

    PvModule& module;
    LoadParams_T params;
    uint16_t dac = 0;
    double voltage = 0.0;
    double lastTime = 0.0;
};

}  // namespace VN_Sim

#endif
