#include "drift_guarded_tracker.h"

#include <cmath>

namespace VN_Lib {

int DriftGuardedTracker::Reset(double voc, const ControlConfigType& ratings, const LoadConfiguration_T& config) {
    holding = true;
    sunCount = 0;
    return plain.Reset(voc, ratings, config);
}

double DriftGuardedTracker::SunChange() const {
    double sum = 0.0;
    for (int i = 0; i < sunCount; ++i) sum += sunChanges[i];
    return sunCount > 0 ? sum / sunCount : 0.0;
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
    // Counts of noise between the two readings are no sun: in steady light
    // the steps are then exactly those of the plain tracker.
    double sun = SunChange();
    if (std::fabs(sun) <= PowerTracker::CountNoise(volts, amps, ratings)) sun = 0.0;
    plain.ShiftBestPower(2.0 * sun);
    const int result = plain.Step(volts, amps, voc, ratings, config);
    holding = true;
    return result;
}

}  // namespace VN_Lib
