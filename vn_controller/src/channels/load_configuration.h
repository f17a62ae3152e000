#ifndef VN_CONTROLLER_LOAD_CONFIGURATION_H
#define VN_CONTROLLER_LOAD_CONFIGURATION_H

#include "vn_lib/load_configuration.h"

namespace VN_Sample {

// 3 follows the channel's voltage profile: each step is sent as mode 2.
enum TrackingMode_T { TrackOff = 0, TrackMaxPower = 1, TrackFixedVoltage = 2, TrackProfile = 3 };

// What the controller asks a unit's load to do; the unit's own record, field for field.
using LoadConfiguration_T = VN_Lib::LoadConfiguration_T;

struct VoltageProfileEntry_T {
    int startTime = 0;  // seconds after local midnight
    double voltage = 0.0;
};

}  // namespace VN_Sample

#endif
