#ifndef VN_SIM_POWER_POINT_H
#define VN_SIM_POWER_POINT_H

namespace VN_Sim {

// One point of a module's I-V characteristic; current positive out of the
// module, so power = voltage × current is what the module delivers.
struct PowerPoint_T {
    double voltage = 0.0;  // V
    double current = 0.0;  // A
    double power = 0.0;    // W
};

}  // namespace VN_Sim

#endif
