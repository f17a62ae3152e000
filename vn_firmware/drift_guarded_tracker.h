#ifndef VN_FIRMWARE_DRIFT_GUARDED_TRACKER_H
#define VN_FIRMWARE_DRIFT_GUARDED_TRACKER_H

#include <array>

#include "control_config.h"
#include "load_configuration.h"
#include "power_tracker.h"

namespace VN_Lib {

// The perturb-and-observe tracker with drift protection. Plain P&O reads any
// change of power as the effect of its last step, so while the sun brightens
// it walks on in one direction away from the maximum, and while it dims it
// turns back and forth. Here every set-point is held for two control steps:
// the first reading at a new set-point follows the step, the second, at the
// same set-point one step period later, shows what the sun alone did over
// that period. The tracker's best power is moved by the sun's share over the
// time since it was last compared, so the P&O rules decide on the step's own
// share. The sun's share is a rate, the mean of the last such differences
// over their own intervals that continue one another: a cloud's edge changes
// the light smoothly, the readings' noise does not, and a module's step
// periods are uneven (other modules' sweeps and the unit's other work fall
// between them). A difference that continues none before it (a sharp edge
// passing within one period) counts once, as seen, and is not carried on
// into the next steps. With identical readings at a
// held set-point (steady light) the set-points are those of the plain
// tracker, each held twice.
// After a reset the tracker walks its first full steps unheld, as the plain
// tracker does, until it first turns back: a full step changes the power far
// more than the sun does in one period, and holding them would double the
// way back to the maximum after every restart of the unit.
// With the guard switched off, every step is exactly the plain tracker's.
class DriftGuardedTracker {
public:
    void SetGuard(bool on) { guard = on; }
    bool Guarded() const { return guard; }

    // As PowerTracker::Reset; the set-points are held from the first turn on.
    int Reset(double voc, const ControlConfigType& ratings, const LoadConfiguration_T& config);

    // One control step from a reading taken at the load's present DAC at
    // seconds on the monotonic clock. atOwnSetPoint is false when something else drove the load since the
    // last step (a sweep, an open-circuit hold): that reading says nothing
    // about the sun, so it is used as the plain tracker would use it.
    // 0 with Dac() to send (unchanged on a holding step), or ErrOverPower.
    int Step(double volts, double amps, double voc, const ControlConfigType& ratings,
             const LoadConfiguration_T& config, bool atOwnSetPoint, double seconds);

    int Dac() const { return plain.Dac(); }
    // True while the present set-point waits for its second reading.
    bool Holding() const { return guard && holding; }
    // The sun's share of the power change, W/s: the mean of the newest rate
    // between two readings at one set-point and the recent ones it agrees
    // with when it stands out of the given noise rate, of the whole history
    // when that does in steadily changing light, else 0.
    double SunRate(double noiseRate) const;
    const PowerTracker& Plain() const { return plain; }

private:
    PowerTracker plain;
    bool guard = true;
    bool holding = false;
    // From a reset until the plain tracker first reverses.
    bool walking = false;
    int Walk(double volts, double amps, double voc, const ControlConfigType& ratings,
             const LoadConfiguration_T& config, double seconds);
    static constexpr int RecentHistory = 4;
    static constexpr int SunHistory = 16;
    // Two rates agree within the noise or within this share of the newest.
    static constexpr double AgreementShare = 0.5;
    double MeanSunRate(int count) const;
    double Rate(int age) const;  // 0: the newest
    // How many of the recent rates, from the newest back, agree with it.
    int AgreeingRates(double noiseRate) const;
    // The newest rate stands out of the noise and continues none before it.
    bool LoneChange(double noiseRate) const;
    double firstPower = 0.0;
    double firstSeconds = 0.0;
    // When the plain tracker last compared a reading with its best power;
    // none after a reset or a load driven elsewhere.
    bool compared = false;
    double comparedSeconds = 0.0;
    std::array<double, SunHistory> sunRates{};
    int sunCount = 0;  // differences in the history, up to SunHistory
    int sunNext = 0;
};

}  // namespace VN_Lib

#endif
