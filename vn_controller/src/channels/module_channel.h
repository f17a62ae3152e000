#ifndef VN_CONTROLLER_MODULE_CHANNEL_H
#define VN_CONTROLLER_MODULE_CHANNEL_H

#include <ctime>
#include <vector>

#include "channels/channel.h"
#include "channels/iv_curve.h"
#include "channels/load_configuration.h"
#include "channels/module_sample.h"

namespace VN_Sample {

// One PV module on its load: its sample, settings, profile and last curve.
class ModuleChannel : public Channel {
public:
    static constexpr int ErrRefused = 90;

    ModuleChannel();

    // Each returns 0, or 90 leaving the field unchanged when out of range.
    int SetTrackingMode(int mode);
    int SetFixedVoltage(double volts);
    int SetAveragePeriod(int usec);
    int SetPtrackVmin(double fraction);
    int SetPtrackVstep(double fraction);
    int SetApertureArea(double area);
    int SetTotalArea(double area);

    // In profile mode, whether a profile step is due now; its voltage in *voltage.
    bool TimeToUpdateLoadProfile(double* voltage);

    ModuleSample sample;
    IvCurve curve;
    std::vector<int> auxInputIds;
    std::vector<int> temperatureIds;
    std::vector<int> irradianceIds;
    std::vector<VoltageProfileEntry_T> voltageProfile;
    time_t nextProfileTime = 0;
    LoadConfiguration_T loadConfiguration;
    bool curveEnabled = false;
    double apertureArea = 1.0;
    double totalArea = 1.0;
};

}  // namespace VN_Sample

#endif
