#include "drift_guarded_tracker.h"

#include <cmath>

namespace VN_Lib {

int DriftGuardedTracker::Reset(double voc, const ControlConfigType& ratings, const LoadConfiguration_T& config) {
    holding = true;
    sunCount = 0;
    return plain.Reset(voc, ratings, config);
}

double DriftGuardedTracker::MeanSunChange(int count) const {
    if (count > sunCount) count = sunCount;
    double sum = 0.0;
    for (int i = 1; i <= count; ++i) sum += sunChanges[(sunNext - i + SunHistory) % SunHistory];
    return count > 0 ? sum / count : 0.0;
}

double DriftGuardedTracker::SunChange(double noise) const {
    // A cloud edge: the last few differences stand out of the noise.
    const double recent = MeanSunChange(RecentHistory);
    if (std::fabs(recent) > noise) return recent;
    // A slow drift (the day's own course) hides under one count per period;
    // the full history shows it, unless it still holds an edge that is over.
    const double full = MeanSunChange(SunHistory);
    const bool steady = sunCount == SunHistory && std::fabs(recent - full) <= noise;
    if (steady && std::fabs(full) > noise * RecentHistory / SunHistory) return full;
    // Counts of noise are no sun: in steady light the steps are then exactly
    // those of the plain tracker.
    return 0.0;
}

int DriftGuardedTracker::Step(double volts, double amps, double voc, const ControlConfigType& ratings,
                              const LoadConfiguration_T& config, bool atOwnSetPoint) {
    if (!guard) return plain.Step(volts, amps, voc, ratings, config);
    if (!atOwnSetPoint) {
        const int result = plain.Step(volts, amps, voc, ratings, config);
        if (result == 0) holding = true;
        sunCount = 0;
        return result;
    }
    if (PowerTracker::AbovePowerRating(volts, amps, ratings)) return PowerTracker::ErrOverPower;

    const double power = std::fabs(volts * amps);
    if (holding) {
        firstPower = power;
        holding = false;
        return 0;
    }
    // The sun changes smoothly over two step periods: the change between two
    // readings at one set-point stands for each of the two periods since the
    // previous set-point was read.
    sunChanges[sunNext] = power - firstPower;
    sunNext = (sunNext + 1) % SunHistory;
    if (sunCount < SunHistory) ++sunCount;
    plain.ShiftBestPower(2.0 * SunChange(PowerTracker::CountNoise(volts, amps, ratings)));
    const int result = plain.Step(volts, amps, voc, ratings, config);
    holding = true;
    return result;
}

}  // namespace VN_Lib
