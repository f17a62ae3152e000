#ifndef VN_SIM_STATION_STATION_TRUTH_H
#define VN_SIM_STATION_STATION_TRUTH_H

#include <map>
#include <string>

#include "vn_sim/card/conversion_tally.h"
#include "vn_sim/physics/environment.h"
#include "vn_sim/physics/power_point.h"
#include "vn_sim/physics/pv_module.h"

namespace VN_Sim {

// One module and its load as a perfect instrument sees them.
struct ModuleState_T {
    ModuleTruth_T truth;        // irradiance, cell temperature, Isc, Voc, maximum power point
    PowerPoint_T operating;     // where the load holds it now
    unsigned dac = 0;           // the load's last DAC value
    std::string bus;
    int address = 0;
};

// The whole station at one instant.
struct StationTruth_T {
    double time = 0.0;  // seconds since the epoch, from the clock seam
    Conditions_T conditions;
    double intakeC = 0.0;
    double supplyC = 0.0;
    double fanPercent = 0.0;
    std::map<int, ModuleState_T> modules;  // keyed by module id
    std::map<int, double> heatSinks;       // keyed by heat-sink id, °C
    ConversionTally_T conversions;
};

}  // namespace VN_Sim

#endif
