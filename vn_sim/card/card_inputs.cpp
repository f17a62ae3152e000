#include "vn_sim/card/card_inputs.h"

#include <utility>

namespace VN_Sim {

namespace {

const int ZeroChan = 7;
const int FirstReferenceChan = 3;
const int LastReferenceChan = 6;
const double VoltsPerDegree = 0.01;
const int SensorMux[CardInputs::SensorCount] = {0, 0, 1};
const int SensorChan[CardInputs::SensorCount] = {0, 2, 4};

bool ValidInput(int mux, int chan) { return mux >= 0 && mux < 8 && chan >= 0 && chan < 8; }

}  // namespace

CardInputs::CardInputs(const AnalogCardConfig_T& config) : defaultCelsius(config.coldJunctionCelsius) {
    for (int r = 0; r < 4; ++r) referenceVolts[r] = config.referenceVolts[r];
}

int CardInputs::SensorAt(int mux, int chan) {
    for (int s = 0; s < SensorCount; ++s) {
        if (SensorMux[s] == mux && SensorChan[s] == chan) return s;
    }
    return -1;
}

int CardInputs::SetInputSource(int mux, int chan, TimeSource source) {
    if (!ValidInput(mux, chan) || SensorAt(mux, chan) >= 0) return 1;
    if (mux == 0 && chan >= FirstReferenceChan) return 1;
    sources[Key(mux, chan)] = std::move(source);
    return 0;
}

int CardInputs::SetColdJunctionSource(int sensor, TimeSource source) {
    if (sensor < 0 || sensor >= SensorCount) return 1;
    coldJunctions[sensor] = std::move(source);
    return 0;
}

double CardInputs::Volts(int mux, int chan, double t) const {
    if (mux == 0 && chan == ZeroChan) return 0.0;
    if (mux == 0 && chan >= FirstReferenceChan && chan <= LastReferenceChan) {
        return referenceVolts[chan - FirstReferenceChan];
    }
    int sensor = SensorAt(mux, chan);
    if (sensor >= 0) {
        auto found = coldJunctions.find(sensor);
        double celsius = found != coldJunctions.end() && found->second ? found->second(t) : defaultCelsius;
        return celsius * VoltsPerDegree;
    }
    auto found = sources.find(Key(mux, chan));
    return found != sources.end() && found->second ? found->second(t) : 0.0;
}

}  // namespace VN_Sim
