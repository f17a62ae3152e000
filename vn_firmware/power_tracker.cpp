#include "power_tracker.h"

#include <cmath>
#include <cstdlib>

#include "dac_scale.h"

namespace VN_Lib {

namespace {

const double StartFractionOfVoc = 0.55;
const double OverPowerMargin = 1.02;
const double RelativeNoise = 0.001;
const double FullScaleNoise = 0.0001;
const double MinTrackingCurrent = 0.02;  // A
const double MinVoltageOfFullScale = 0.001;
const int SmallestStep = 15;

}  // namespace

int PowerTracker::StepSize(double voc, double stepFraction, double vmax) {
    const double counts = std::trunc(voc * stepFraction * DacZeroVolts / vmax);
    if (!(counts > MinStep)) return MinStep;  // NaN too
    if (counts > MaxStep) return MaxStep;
    return static_cast<int>(counts);
}

bool PowerTracker::AbovePowerRating(double volts, double amps, const ControlConfigType& ratings) {
    return std::fabs(volts * amps) > ratings.pmax * OverPowerMargin;
}

int PowerTracker::Reset(double voc, const ControlConfigType& ratings, const LoadConfiguration_T& config) {
    bestPower = 0.0;
    voltageAtBestPower = 0.0;
    dac = VoltsToDac(voc * StartFractionOfVoc, ratings.vmax);
    step = -StepSize(voc, config.ptrackVstep, ratings.vmax);
    return dac;
}

bool PowerTracker::ClearlyLower(double change, double power, double volts, double amps,
                                const ControlConfigType& ratings) {
    return change < -RelativeNoise * power && change < -FullScaleNoise * amps * ratings.vmax &&
           change < -FullScaleNoise * volts * ratings.imax;
}

double PowerTracker::CountNoise(double volts, double amps, const ControlConfigType& ratings) {
    return std::fmax(std::fabs(FullScaleNoise * amps * ratings.vmax), std::fabs(FullScaleNoise * volts * ratings.imax));
}

void PowerTracker::Reverse() { step = std::abs(step) <= 1 ? -step : -step / 2; }

int PowerTracker::Step(double volts, double amps, double voc, const ControlConfigType& ratings,
                       const LoadConfiguration_T& config) {
    if (AbovePowerRating(volts, amps, ratings)) return ErrOverPower;
    const double power = std::fabs(volts * amps);

    const int fullStep = StepSize(voc, config.ptrackVstep, ratings.vmax);
    const double change = power - bestPower;
    if (change >= 0) {
        bestPower = power;
        voltageAtBestPower = volts;
    } else if (ClearlyLower(change, power, volts, amps, ratings)) {
        Reverse();
        bestPower = power;
        voltageAtBestPower = volts;
    }

    // Next to no current: the module is near open circuit, so draw more.
    if (amps < MinTrackingCurrent) {
        step = fullStep;
        voltageAtBestPower = volts;
    }
    // Too far down the curve: back towards higher voltage.
    if (volts < voc * config.ptrackVmin || volts < ratings.vmax * MinVoltageOfFullScale) step = -fullStep;
    if (step >= -SmallestStep && step <= SmallestStep) step = step < 0 ? -MinStep : MinStep;

    const int next = dac + step;
    if (next > MaxDac) {
        dac = MaxDac;
        if (step >= 0) step = -fullStep;
    } else if (next < 0) {
        dac = 0;
        if (step <= 0) step = fullStep;
    } else {
        dac = next;
    }
    return 0;
}

}  // namespace VN_Lib
