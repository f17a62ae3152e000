#include "controller.h"

#include <cmath>

#include "clock.h"
#include "dac_scale.h"
#include "short_timer.h"

namespace VN_Lib {

namespace {

const int MaxMode = 3;
const int ModeTracking = 1;
const int ModeFixedVoltage = 2;
const int TrackerWarmUpSteps = 4;
const double MaxTrackingVmin = 1.0;
const double MinTrackingStep = 0.01;
const double MaxTrackingStep = 0.2;

void Report(int* error, int code) {
    if (error != nullptr) *error = code;
}

void SettleLoad() { ShortTimer().MilliSecondDelay(Controller::SettleMs); }

}  // namespace

int Controller::Initialize(CanBus* bus, const ControlConfigType& loadRatings) {
    ratings = loadRatings;
    overPowerHold = 0;
    load.InitializeDAC(bus, static_cast<unsigned>(ratings.address));
    configuration = GetDefaultLoadConfiguration();

    int error = 0;
    GetVoc(&error);
    PowerTrack(true);
    for (int i = 0; i < TrackerWarmUpSteps; ++i) PowerTrack(false);
    GetVoc(&error);
    return error;
}

LoadConfiguration_T Controller::GetDefaultLoadConfiguration() { return LoadConfiguration_T(); }

LoadConfiguration_T Controller::ValidateLoadConfiguration(LoadConfiguration_T config) {
    if (config.mode < 0 || config.mode > MaxMode) config.mode = 0;
    // A set-point that is no number at all is treated as the lowest one.
    if (config.fixedVoltage < 0 || std::isnan(config.fixedVoltage)) config.fixedVoltage = 0;
    if (config.fixedVoltage > ratings.vmax) config.fixedVoltage = ratings.vmax;
    if (configuration.mode != ModeFixedVoltage) voltageModeDac = 0;
    if (config.averageUsec > MaxAverageUsec) config.averageUsec = MaxAverageUsec;
    if (config.averageUsec <= 0) config.averageUsec = 1;
    if (config.ptrackVmin > MaxTrackingVmin) config.ptrackVmin = MaxTrackingVmin;
    if (config.ptrackVmin < 0 || std::isnan(config.ptrackVmin)) config.ptrackVmin = 0;
    if (config.ptrackVstep > MaxTrackingStep) config.ptrackVstep = MaxTrackingStep;
    if (config.ptrackVstep < MinTrackingStep || std::isnan(config.ptrackVstep)) config.ptrackVstep = MinTrackingStep;
    return config;
}

int Controller::SetLoadParameters(LoadConfiguration_T config) {
    configuration = ValidateLoadConfiguration(config);
    return 0;
}

int Controller::InitializeLoad() {
    overPowerHold = 0;
    return SetLoadParameters(GetDefaultLoadConfiguration());
}

int Controller::SetDac(unsigned int value) { return load.SetDac(value); }

int Controller::SetToVoc() { return SetDac(DacOpenCircuit); }

int Controller::SetToIsc() { return SetDac(DacShortCircuit); }

int Controller::LimitDac(int value) {
    if (value < DacOpenCircuit) return DacOpenCircuit;
    if (value > DacShortCircuit) return DacShortCircuit;
    return value;
}

int Controller::VoltsToDac(double volts) const { return VN_Lib::VoltsToDac(volts, ratings.vmax); }

int Controller::SampleModule() { return measurement.Update(static_cast<unsigned>(configuration.averageUsec)); }

double Controller::ModuleVoltage() const { return measurement.Voltage().Value(); }

double Controller::ModuleCurrent() const { return measurement.Current().Value(); }

void Controller::RaiseVoc(double volts) {
    if (volts > voc) voc = volts;
}

double Controller::GetModuleVoltage(int* error) {
    const int result = measurement.Voltage().Update(static_cast<unsigned>(configuration.averageUsec));
    Report(error, result);
    if (result == 0) RaiseVoc(ModuleVoltage());
    return ModuleVoltage();
}

double Controller::GetVoc(int* error) {
    int result = SetToVoc();
    if (result == 0) {
        SettleLoad();
        // A failed reading would leave the last value, which is no Voc.
        result = SampleModule();
    }
    if (result != 0) {
        Report(error, result);
        return FailedReading;
    }
    voc = ModuleVoltage();
    if (voc < 0) {
        Report(error, ErrNegativeVoc);
        return FailedReading;
    }
    Report(error, 0);
    return voc;
}

double Controller::GetIsc(int* error) {
    int result = SetToIsc();
    if (result == 0) {
        SettleLoad();
        result = measurement.Current().Update(static_cast<unsigned>(configuration.averageUsec));
    }
    Report(error, result);
    return result == 0 ? ModuleCurrent() : FailedReading;
}

int Controller::PowerTrack(bool reset) {
    if (reset) return SetDac(static_cast<unsigned>(tracker.Reset(voc, ratings, configuration)));
    const double volts = ModuleVoltage();
    RaiseVoc(volts);
    // A sweep or an open-circuit hold may have moved the load meanwhile.
    const bool atOwnSetPoint = load.Dac() == static_cast<unsigned>(tracker.Dac());
    struct timeval now = {0, 0};
    VN_Lib::GetMonotonicTime(&now);
    const double seconds = static_cast<double>(now.tv_sec) + now.tv_usec / 1e6;
    const int result = tracker.Step(volts, ModuleCurrent(), voc, ratings, configuration, atOwnSetPoint, seconds);
    if (result != 0) return result;
    return SetDac(static_cast<unsigned>(tracker.Dac()));
}

int Controller::UpdateLoadVoltage() {
    const double volts = ModuleVoltage();
    RaiseVoc(volts);
    if (PowerTracker::AbovePowerRating(volts, ModuleCurrent(), ratings)) return ErrOverPower;
    // Integrating correction: too low a voltage lowers the DAC, so less current.
    const double next = voltageModeDac == 0
                            ? VoltsToDac(configuration.fixedVoltage)
                            : voltageModeDac - (configuration.fixedVoltage - volts) * DacZeroVolts / ratings.vmax;
    voltageModeDac = VN_Lib::LimitDac(next);
    return SetDac(static_cast<unsigned>(voltageModeDac));
}

int Controller::MeasureOpenCircuit() {
    int error = 0;
    GetVoc(&error);
    SampleModule();
    return error;
}

int Controller::UpdateLoad() {
    int result = SampleModule();
    if (result != 0) return result;

    if (overPowerHold != 0) {
        if (holdTimer.CheckAlarm() == 0) return MeasureOpenCircuit();
        overPowerHold = 0;
        holdTimer.DisableAlarm();
    }

    const int mode = configuration.mode;
    if (mode == ModeTracking) {
        result = PowerTrack(mode != previousMode);
    } else if (mode == ModeFixedVoltage) {
        result = UpdateLoadVoltage();
    } else if (mode == previousMode) {
        result = SetToVoc();
    } else {
        result = MeasureOpenCircuit();
    }

    if (result == ErrOverPower) {
        overPowerHold = 1;
        result = MeasureOpenCircuit();
        holdTimer.SetAlarm(OverPowerHoldMs);
        holdTimer.EnableAlarm();
        holdTimer.Restart();
    }
    previousMode = mode;
    return result;
}

void Controller::SetAveragePeriod(unsigned int usec) {
    configuration.averageUsec = usec > static_cast<unsigned>(MaxAverageUsec) ? MaxAverageUsec : static_cast<int>(usec);
}

}  // namespace VN_Lib
