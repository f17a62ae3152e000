#include "channels/module_sample.h"

namespace VN_Sample {

ModuleSample::ModuleSample() {
    voltage.units = "Volts";
    current.units = "Amps";
}

bool ModuleSample::IsValid() const { return voltage.valid && current.valid; }

bool ModuleSample::IsAverageValid() const { return voltage.averageValid && current.averageValid; }

double ModuleSample::GetPowerValue() const { return IsValid() ? voltage.value * current.value : InvalidValue; }

void ModuleSample::AverageNow() {
    // Both periods close whatever the other's outcome.
    const int voltageResult = voltage.AverageNow();
    const int currentResult = current.AverageNow();
    averagePower = voltageResult == 0 && currentResult == 0 ? voltage.average * current.average : InvalidValue;
}

void ModuleSample::ResetAverage() {
    voltage.ResetAverage();
    current.ResetAverage();
}

void ModuleSample::Invalidate() {
    voltage.Invalidate();
    current.Invalidate();
}

}  // namespace VN_Sample
