#include "drift_guarded_tracker.h"

#include <cmath>

namespace VN_Lib {

int DriftGuardedTracker::Reset(double voc, const ControlConfigType& ratings, const LoadConfiguration_T& config) {
    holding = true;
    compared = false;
    sunCount = 0;
    return plain.Reset(voc, ratings, config);
}

double DriftGuardedTracker::MeanSunRate(int count) const {
    if (count > sunCount) count = sunCount;
    double sum = 0.0;
    for (int i = 1; i <= count; ++i) sum += sunRates[(sunNext - i + SunHistory) % SunHistory];
    return count > 0 ? sum / count : 0.0;
}

double DriftGuardedTracker::SunRate(double noiseRate) const {
    // A cloud edge: the last few rates stand out of the noise.
    const double recent = MeanSunRate(RecentHistory);
    if (std::fabs(recent) > noiseRate) return recent;
    // A slow drift (the day's own course) hides under one count per period;
    // the full history shows it, unless it still holds an edge that is over.
    const double full = MeanSunRate(SunHistory);
    const bool steady = sunCount == SunHistory && std::fabs(recent - full) <= noiseRate;
    if (steady && std::fabs(full) > noiseRate * RecentHistory / SunHistory) return full;
    // Counts of noise are no sun: in steady light the steps are then exactly
    // those of the plain tracker.
    return 0.0;
}

int DriftGuardedTracker::Step(double volts, double amps, double voc, const ControlConfigType& ratings,
                              const LoadConfiguration_T& config, bool atOwnSetPoint, double seconds) {
    if (!guard) return plain.Step(volts, amps, voc, ratings, config);
    if (!atOwnSetPoint) {
        const int result = plain.Step(volts, amps, voc, ratings, config);
        if (result == 0) holding = true;
        compared = false;
        sunCount = 0;
        return result;
    }
    if (PowerTracker::AbovePowerRating(volts, amps, ratings)) return PowerTracker::ErrOverPower;

    const double power = std::fabs(volts * amps);
    if (holding) {
        firstPower = power;
        firstSeconds = seconds;
        holding = false;
        return 0;
    }
    // The sun changes smoothly: its rate between two readings at one
    // set-point holds over the whole time since the best power was read.
    const double interval = seconds - firstSeconds;
    if (interval > 0.0) {
        sunRates[sunNext] = (power - firstPower) / interval;
        sunNext = (sunNext + 1) % SunHistory;
        if (sunCount < SunHistory) ++sunCount;
        const double rate = SunRate(PowerTracker::CountNoise(volts, amps, ratings) / interval);
        if (compared) plain.ShiftBestPower(rate * (seconds - comparedSeconds));
    }
    const int result = plain.Step(volts, amps, voc, ratings, config);
    compared = true;
    comparedSeconds = seconds;
    holding = true;
    return result;
}

}  // namespace VN_Lib
