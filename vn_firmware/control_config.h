#ifndef VN_FIRMWARE_CONTROL_CONFIG_H
#define VN_FIRMWARE_CONTROL_CONFIG_H

namespace VN_Lib {

// The ratings of one module channel's load, from the hardware description.
// The defaults are those of a controller that was never initialised.
struct ControlConfigType {
    double vmax = 5.0;      // V, full-scale module voltage of the load
    double imax = 1.0;      // A, rated current
    double pmax = 100.0;    // W, power rating of the load
    double vmax_at = 5.0;   // kept with the ratings; load control does not use it
    double imax_at = 0.05;  // kept with the ratings; load control does not use it
    int address = 0;        // the load's DAC address on its bus
};

}  // namespace VN_Lib

#endif
