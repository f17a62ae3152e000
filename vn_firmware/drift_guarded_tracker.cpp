#include "drift_guarded_tracker.h"

#include <cmath>

namespace VN_Lib {

int DriftGuardedTracker::Reset(double voc, const ControlConfigType& ratings, const LoadConfiguration_T& config) {
    walking = true;
    holding = false;
    compared = false;
    sunCount = 0;
    return plain.Reset(voc, ratings, config);
}

int DriftGuardedTracker::Walk(double volts, double amps, double voc, const ControlConfigType& ratings,
                              const LoadConfiguration_T& config, double seconds) {
    const int before = plain.StepCounts();
    const int result = plain.Step(volts, amps, voc, ratings, config);
    if (result != 0) return result;
    compared = true;
    comparedSeconds = seconds;
    if ((before < 0) != (plain.StepCounts() < 0)) {
        walking = false;
        holding = true;
    }
    return 0;
}

double DriftGuardedTracker::MeanSunRate(int count) const {
    if (count > sunCount) count = sunCount;
    double sum = 0.0;
    for (int age = 0; age < count; ++age) sum += Rate(age);
    return count > 0 ? sum / count : 0.0;
}

double DriftGuardedTracker::Rate(int age) const { return sunRates[(sunNext - 1 - age + SunHistory) % SunHistory]; }

int DriftGuardedTracker::AgreeingRates(double noiseRate) const {
    const int count = sunCount < RecentHistory ? sunCount : RecentHistory;
    if (count == 0) return 0;
    const double newest = Rate(0);
    const double tolerance = std::fmax(noiseRate, AgreementShare * std::fabs(newest));
    int agreeing = 1;
    while (agreeing < count && std::fabs(Rate(agreeing) - newest) <= tolerance) ++agreeing;
    return agreeing;
}

bool DriftGuardedTracker::LoneChange(double noiseRate) const {
    return AgreeingRates(noiseRate) == 1 && std::fabs(Rate(0)) > noiseRate;
}

double DriftGuardedTracker::SunRate(double noiseRate) const {
    // A cloud edge: the newest rate, with those before it that it continues,
    // stands out of the noise.
    const double recent = MeanSunRate(AgreeingRates(noiseRate));
    if (std::fabs(recent) > noiseRate) return recent;
    // A slow drift (the day's own course) hides under one count per period;
    // the full history shows it, unless it still holds an edge that is over.
    const double lastFew = MeanSunRate(RecentHistory);
    const double full = MeanSunRate(SunHistory);
    const bool steady = sunCount == SunHistory && std::fabs(lastFew - full) <= noiseRate;
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
    if (walking) return Walk(volts, amps, voc, ratings, config, seconds);
    if (PowerTracker::AbovePowerRating(volts, amps, ratings)) return PowerTracker::ErrOverPower;

    const double power = std::fabs(volts * amps);
    if (holding) {
        firstPower = power;
        firstSeconds = seconds;
        holding = false;
        return 0;
    }
    const double interval = seconds - firstSeconds;
    if (interval > 0.0) {
        sunRates[sunNext] = (power - firstPower) / interval;
        sunNext = (sunNext + 1) % SunHistory;
        if (sunCount < SunHistory) ++sunCount;
        const double noiseRate = PowerTracker::CountNoise(volts, amps, ratings) / interval;
        // While the sun changes smoothly, its rate between two readings at
        // one set-point holds over the whole time since the best power was
        // read. A change that continues none before it (a jump of the light,
        // or the first moment of an edge) is taken as far as it was seen.
        const double sun = LoneChange(noiseRate) ? power - firstPower
                                                 : SunRate(noiseRate) * (seconds - comparedSeconds);
        if (compared) plain.ShiftBestPower(sun);
    }
    const int result = plain.Step(volts, amps, voc, ratings, config);
    compared = true;
    comparedSeconds = seconds;
    holding = true;
    return result;
}

}  // namespace VN_Lib
