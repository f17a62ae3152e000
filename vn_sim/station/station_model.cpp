#include "vn_sim/station/station_model.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "vn_sim/card/card_clock.h"
#include "vn_sim/physics/physics_error.h"

namespace VN_Sim {

namespace {

const double NotANumber = std::numeric_limits<double>::quiet_NaN();
// The clear sky changes over minutes; re-solving four modules per conversion
// would only cost time. A cloud edge changes the light within seconds, and
// a tracker must see it change smoothly, not in stairs, as under a real sky.
const double ClearSkyRefreshSeconds = 1.0;
const double CloudRefreshSeconds = 0.05;

// How often the conditions are recomputed; 0 when they never change.
double RefreshSeconds(const EnvironmentParams_T& params) {
    if (params.clouds.fraction > 0.0) return CloudRefreshSeconds;
    return params.clearSky ? ClearSkyRefreshSeconds : 0.0;
}

// A module with its parameters, already under the present conditions, so
// that its load starts from the right open-circuit voltage.
PvModule ConfiguredModule(const PvModuleParams_T& params, const Conditions_T& conditions) {
    PvModule module;
    module.SetParams(params);
    module.SetConditions(conditions.irradiance, conditions.cellTemperatureC);
    return module;
}

}  // namespace

double StationNow() { return CardSeconds(CardMicroseconds()); }

StationModel::ModuleEntry_T::ModuleEntry_T(const ModuleSettings_T& moduleSettings, const Conditions_T& conditions,
                                           double startTime)
    : settings(moduleSettings), module(ConfiguredModule(moduleSettings.diode, conditions)), load(module, moduleSettings.load, startTime) {}

StationModel::StationModel(const EnvironmentParams_T& environmentParams, double supplyRise, double startTime)
    : environment(environmentParams), refreshSeconds(RefreshSeconds(environmentParams)), supplyRiseC(supplyRise) {
    std::lock_guard<std::mutex> lock(mutex);
    Refresh(startTime);
}

int StationModel::AddHeatSink(int id, const HeatSinkParams_T& params) {
    if (HeatSink::CheckParams(params) != PHYS_OK) return PHYS_BAD_PARAMETER;
    std::lock_guard<std::mutex> lock(mutex);
    if (heatSinks.count(id) != 0) return IdTaken;
    heatSinks.emplace(id, HeatSink(params, conditionsTime, IntakeTemperature()));
    return 0;
}

int StationModel::AddModule(int id, const ModuleSettings_T& settings) {
    PvModule probe;
    if (ElectronicLoad::CheckParams(settings.load) != PHYS_OK || probe.SetParams(settings.diode) != PHYS_OK)
        return PHYS_BAD_PARAMETER;
    std::lock_guard<std::mutex> lock(mutex);
    if (modules.count(id) != 0 || loadModules.count({settings.bus, settings.address}) != 0) return IdTaken;
    modules[id] = std::make_unique<ModuleEntry_T>(settings, conditions, conditionsTime);
    loadModules[{settings.bus, settings.address}] = id;
    return 0;
}

void StationModel::FixCardTemperature(unsigned cardBase, double celsius) {
    std::lock_guard<std::mutex> lock(mutex);
    fixedCardTemperatures[cardBase] = celsius;
}

void StationModel::EnableTruthFile(const std::string& path, double periodSeconds) {
    std::lock_guard<std::mutex> lock(mutex);
    truthFile = std::make_unique<TruthFile>(path, periodSeconds);
}

bool StationModel::HasModule(int id) const {
    std::lock_guard<std::mutex> lock(mutex);
    return modules.count(id) != 0;
}

bool StationModel::HasHeatSink(int id) const {
    std::lock_guard<std::mutex> lock(mutex);
    return heatSinks.count(id) != 0;
}

void StationModel::Refresh(double t) {
    bool stale = !conditionsValid || (refreshSeconds > 0.0 && std::fabs(t - conditionsTime) >= refreshSeconds);
    if (!stale) return;
    Conditions_T fresh;
    // A time the sun model does not cover keeps the last conditions.
    if (environment.At(t, &fresh) != PHYS_OK) return;
    if (conditionsValid) SettleHeatSinks(t);
    conditions = fresh;
    conditionsTime = t;
    conditionsValid = true;
    for (auto& entry : modules) entry.second->module.SetConditions(fresh.irradiance, fresh.cellTemperatureC);
    SettleHeatSinks(t);
}

double StationModel::SettledPower(int sink) const {
    double power = 0.0;
    for (const auto& entry : modules) {
        if (entry.second->settings.heatSink != sink) continue;
        double voltage = entry.second->load.EquilibriumVoltage();
        power += std::max(0.0, voltage * entry.second->module.Current(voltage));
    }
    return power;
}

void StationModel::SettleHeatSinks(double t) {
    for (auto& sink : heatSinks) sink.second.SetInputs(t, SettledPower(sink.first), FanPercent(), IntakeTemperature());
}

double StationModel::HeatSinkTemperature(int id, double t) {
    auto sink = heatSinks.find(id);
    if (sink == heatSinks.end()) return NotANumber;
    sink->second.SetInputs(t, SettledPower(id), FanPercent(), IntakeTemperature());
    return sink->second.Temperature(t);
}

double StationModel::ValueLocked(const Signal_T& signal, double t) {
    Refresh(t);
    auto module = modules.find(signal.id);
    bool hasModule = module != modules.end();
    switch (signal.quantity) {
        case Quantity_T::ModuleVoltage:
            return hasModule ? module->second->load.OperatingPoint(t).voltage : NotANumber;
        case Quantity_T::ModuleCurrent:
            return hasModule ? module->second->load.OperatingPoint(t).current : NotANumber;
        case Quantity_T::ModuleTemperature:
            return hasModule ? module->second->module.CellTemperature() : NotANumber;
        case Quantity_T::Irradiance:
            return conditions.irradiance;
        case Quantity_T::AmbientTemperature:
            return conditions.ambientC;
        case Quantity_T::IntakeTemperature:
            return IntakeTemperature();
        case Quantity_T::SupplyTemperature:
            return IntakeTemperature() + supplyRiseC;
        case Quantity_T::HeatSinkTemperature:
            return HeatSinkTemperature(signal.id, t);
        case Quantity_T::CardTemperature: {
            auto fixed = fixedCardTemperatures.find(static_cast<unsigned>(signal.id));
            return fixed != fixedCardTemperatures.end() ? fixed->second : IntakeTemperature();
        }
    }
    return NotANumber;
}

double StationModel::InputVolts(const Signal_T& signal, const InputTransducer& transducer, unsigned cardBase,
                                double t) {
    double volts = NotANumber;
    StationTruth_T snapshot;
    bool writeTruth = false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        double quantity = ValueLocked(signal, t);
        double coldJunction = transducer.NeedsColdJunction()
                                  ? ValueLocked({Quantity_T::CardTemperature, static_cast<int>(cardBase)}, t)
                                  : 0.0;
        volts = transducer.Volts(quantity, coldJunction);
        if (truthFile && truthFile->Due(t)) {
            snapshot = TruthLocked(t);
            writeTruth = true;
        }
    }
    // Outside the lock: a slow disk must not hold up a CAN delivery.
    if (writeTruth) truthFile->Write(snapshot);
    return volts;
}

void StationModel::ApplyDac(const std::string& bus, int address, unsigned dac) {
    double t = StationNow();
    std::lock_guard<std::mutex> lock(mutex);
    auto found = loadModules.find({bus, address});
    if (found == loadModules.end()) return;
    Refresh(t);
    SettleHeatSinks(t);
    modules[found->second]->load.SetDac(static_cast<uint16_t>(dac), t);
    SettleHeatSinks(t);
}

void StationModel::SetFanLevel(uint8_t level) {
    double t = StationNow();
    std::lock_guard<std::mutex> lock(mutex);
    Refresh(t);
    SettleHeatSinks(t);
    fanLevel = level;
    SettleHeatSinks(t);
}

StationTruth_T StationModel::TruthLocked(double t) {
    Refresh(t);
    StationTruth_T truth;
    truth.time = t;
    truth.conditions = conditions;
    truth.intakeC = IntakeTemperature();
    truth.supplyC = IntakeTemperature() + supplyRiseC;
    truth.fanPercent = FanPercent();
    for (auto& entry : modules) {
        ModuleState_T& state = truth.modules[entry.first];
        state.truth = entry.second->module.Truth();
        state.operating = entry.second->load.OperatingPoint(t);
        state.dac = entry.second->load.Dac();
        state.bus = entry.second->settings.bus;
        state.address = entry.second->settings.address;
    }
    for (auto& sink : heatSinks) truth.heatSinks[sink.first] = HeatSinkTemperature(sink.first, t);
    truth.conversions = ConversionTally();
    return truth;
}

StationTruth_T StationModel::Truth() {
    double t = StationNow();
    std::lock_guard<std::mutex> lock(mutex);
    return TruthLocked(t);
}

double StationModel::Value(const Signal_T& signal) { return ValueAt(signal, StationNow()); }

double StationModel::ValueAt(const Signal_T& signal, double t) {
    std::lock_guard<std::mutex> lock(mutex);
    return ValueLocked(signal, t);
}

int StationModel::Module(int id, ModuleState_T* state) {
    StationTruth_T truth = Truth();
    auto found = truth.modules.find(id);
    if (found == truth.modules.end()) return 1;
    *state = found->second;
    return 0;
}

int StationModel::WriteTruthFile() {
    StationTruth_T snapshot;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!truthFile) return 1;
        snapshot = TruthLocked(StationNow());
    }
    return truthFile->Write(snapshot);
}

}  // namespace VN_Sim
