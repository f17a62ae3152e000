#ifndef VN_LIB_LOAD_CONFIGURATION_H
#define VN_LIB_LOAD_CONFIGURATION_H

namespace VN_Lib {

// How the controller wants one module's load driven. Field order is the
// parameter order of the set-load-parameters command.
struct LoadConfiguration_T {
    int mode = 0;                  // 0 off (open circuit), 1 power tracking, 2 fixed voltage, 3 as 0
    double fixedVoltage = 1000.0;  // V, set-point of mode 2
    int averageUsec = 100;         // sample time of each module reading
    double ptrackVmin = 0.4;       // fraction of Voc tracking never goes below
    double ptrackVstep = 0.1;      // tracking DAC step as a fraction of Voc
};

}  // namespace VN_Lib

#endif
