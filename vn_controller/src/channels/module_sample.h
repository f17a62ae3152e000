#ifndef VN_CONTROLLER_MODULE_SAMPLE_H
#define VN_CONTROLLER_MODULE_SAMPLE_H

#include <string>

#include "channels/data_sample.h"

namespace VN_Sample {

// One module's electrical state.
class ModuleSample {
public:
    ModuleSample();

    bool IsValid() const;
    bool IsAverageValid() const;
    // Power of the latest values, or InvalidValue.
    double GetPowerValue() const;
    // Averages both; the average power is valid only when both are.
    void AverageNow();
    void ResetAverage();
    void Invalidate();

    std::string name;
    DataSample voltage;
    DataSample current;
    double averagePower = InvalidValue;
    std::string powerUnits = "Watts";
};

}  // namespace VN_Sample

#endif
