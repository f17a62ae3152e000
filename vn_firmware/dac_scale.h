#ifndef VN_FIRMWARE_DAC_SCALE_H
#define VN_FIRMWARE_DAC_SCALE_H

namespace VN_Lib {

// The load's DAC scale: 0 open circuit, 65535 short circuit; between, a
// voltage set-point with 0 V at 32768 and vmax at 0.
constexpr int DacOpenCircuit = 0;
constexpr int DacShortCircuit = 65535;
constexpr int DacZeroVolts = 32768;

// Truncates into 0..65535. Arithmetic on measured values can give anything a
// double holds, so out-of-range and non-finite values are clamped before the
// conversion to int (NaN gives open circuit, the safe state).
int LimitDac(double value);

// The DAC value that asks the load for the module voltage: 32768 − V × 32768 / vmax, limited.
int VoltsToDac(double volts, double vmax);

}  // namespace VN_Lib

#endif
