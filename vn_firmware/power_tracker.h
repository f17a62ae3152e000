#ifndef VN_FIRMWARE_POWER_TRACKER_H
#define VN_FIRMWARE_POWER_TRACKER_H

#include "control_config.h"
#include "load_configuration.h"

namespace VN_Lib {

// Perturb and observe on the load's DAC: keeps stepping the DAC in the
// direction that raised the module's power, and reverses with half the step
// when the power clearly fell. Pure arithmetic; the caller measures and sends.
class PowerTracker {
public:
    static constexpr int ErrOverPower = 623;
    static constexpr int MinStep = 16;
    static constexpr int MaxStep = 6400;
    // Beyond this the tracker would push the module into the knee towards
    // short circuit; it never drives the DAC further.
    static constexpr int MaxDac = 42592;

    // Whether a module operating point exceeds the load's power rating (with
    // a 2 % margin for measurement noise).
    static bool AbovePowerRating(double volts, double amps, const ControlConfigType& ratings);

    // What one count of the voltage or the current reading is worth in
    // power: two readings of one operating point may differ by that much.
    static double CountNoise(double volts, double amps, const ControlConfigType& ratings);

    // DAC counts of one full step: the step fraction of voc on the DAC scale,
    // limited to MinStep..MaxStep.
    static int StepSize(double voc, double stepFraction, double vmax);

    // Starts afresh at 55 % of voc, stepping towards higher voltage first.
    // Returns the DAC to send.
    int Reset(double voc, const ControlConfigType& ratings, const LoadConfiguration_T& config);

    // One step from the module's voltage and current at the present DAC and
    // the open-circuit estimate (already raised by the caller). 0 with a new
    // Dac() to send; ErrOverPower (nothing changed) above 1.02 × pmax.
    int Step(double volts, double amps, double voc, const ControlConfigType& ratings,
             const LoadConfiguration_T& config);

    // Moves the best power by a change that the sun, not the steps, made
    // since it was taken, so the next step is judged on its own share.
    void ShiftBestPower(double change) { bestPower += change; }

    int Dac() const { return dac; }
    int StepCounts() const { return step; }
    double BestPower() const { return bestPower; }
    double VoltageAtBestPower() const { return voltageAtBestPower; }

private:
    // Whether the power fell by more than the noise of one reading.
    static bool ClearlyLower(double change, double power, double volts, double amps,
                             const ControlConfigType& ratings);
    void Reverse();

    double bestPower = 0.0;
    double voltageAtBestPower = 0.0;
    int dac = 0;
    int step = 0;
};

}  // namespace VN_Lib

#endif
