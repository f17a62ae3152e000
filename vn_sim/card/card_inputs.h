#ifndef VN_SIM_CARD_CARD_INPUTS_H
#define VN_SIM_CARD_CARD_INPUTS_H

#include <functional>
#include <map>

#include "vn_sim/card/analog_card_config.h"

namespace VN_Sim {

// A value as a function of the simulated time of day in seconds (the clock
// seam), so physics models can follow the sun and the tests' clock.
using TimeSource = std::function<double(double t)>;

// The volts at each of the card's 64 inputs (mux 0..7, chan 0..7). Built in:
// the shorted zero on mux 0 chan 7, the references on mux 0 chan 3..6 and the
// cold-junction sensors (10 mV per degree C) on mux 0 chan 0, mux 0 chan 2
// and mux 1 chan 4. Every other input reads its source, or 0 V when nothing
// is wired to it (the converter adds its noise either way).
class CardInputs {
public:
    static const int SensorCount = 3;

    explicit CardInputs(const AnalogCardConfig_T& config);

    // 0, or 1 for a built-in input or one outside mux/chan 0..7.
    int SetInputSource(int mux, int chan, TimeSource source);
    // Degrees C of sensor 0..2; 0, or 1 for another sensor.
    int SetColdJunctionSource(int sensor, TimeSource source);

    // Volts at the input at time t; mux and chan must be 0..7.
    double Volts(int mux, int chan, double t) const;

private:
    static int Key(int mux, int chan) { return mux * 8 + chan; }
    // Sensor number at the input, or -1.
    static int SensorAt(int mux, int chan);

    double referenceVolts[4];
    double defaultCelsius;
    std::map<int, TimeSource> sources;  // keyed by mux * 8 + chan
    std::map<int, TimeSource> coldJunctions;  // keyed by sensor
};

}  // namespace VN_Sim

#endif
