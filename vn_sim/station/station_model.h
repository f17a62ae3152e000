#ifndef VN_SIM_STATION_STATION_MODEL_H
#define VN_SIM_STATION_STATION_MODEL_H

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "vn_sim/physics/electronic_load.h"
#include "vn_sim/physics/environment.h"
#include "vn_sim/physics/heat_sink.h"
#include "vn_sim/physics/pv_module.h"
#include "vn_sim/station/input_transducer.h"
#include "vn_sim/station/station_signal.h"
#include "vn_sim/station/station_truth.h"
#include "vn_sim/station/truth_file.h"

namespace VN_Sim {

// What one module is and where it sits: its single-diode parameters, its
// electronic load (bus, address, stage) and the heat sink the load warms
// (0: none modelled).
struct ModuleSettings_T {
    PvModuleParams_T diode;
    LoadParams_T load;
    std::string bus;
    int address = 1;
    int heatSink = 0;
};

// The physics of one simulated station: environment, modules with their
// loads, heat sinks, fans, enclosure temperatures. The physics classes do not
// lock, and they are reached from the thread converting on a card (under the
// port-space lock) and from whatever thread delivers a CAN frame, so every
// access goes through this object's one mutex. That mutex is innermost: no
// card, wire or port is touched while it is held.
//
// Times are seconds since the epoch from the clock seam; the models are
// evaluated lazily at the times their callers pass.
class StationModel {
public:
    StationModel(const EnvironmentParams_T& environment, double supplyRiseC, double startTime);
    StationModel(const StationModel&) = delete;
    StationModel& operator=(const StationModel&) = delete;

    static const int IdTaken = 100;

    // Set-up, before the station is mapped. PHYS_BAD_PARAMETER for parameters
    // the models refuse; IdTaken for an id or load address already in use.
    int AddHeatSink(int id, const HeatSinkParams_T& params);
    int AddModule(int id, const ModuleSettings_T& settings);
    // A card's cold junction follows the intake air unless fixed here.
    void FixCardTemperature(unsigned cardBase, double celsius);
    // Writes the truth file at most every periodSeconds from the input path.
    void EnableTruthFile(const std::string& path, double periodSeconds);

    bool HasModule(int id) const;
    bool HasHeatSink(int id) const;

    // Volts that a sensor wired to the signal puts on an input of the card
    // at cardBase at time t. May write the truth file when it is due.
    double InputVolts(const Signal_T& signal, const InputTransducer& transducer, unsigned cardBase, double t);
    // Value of a quantity at time t (°C for temperatures); NaN for an unknown id.
    double ValueAt(const Signal_T& signal, double t);
    // The load at (bus, address) takes a new DAC value now; others ignore it.
    void ApplyDac(const std::string& bus, int address, unsigned dac);
    // Drive level 0..255 of the fan card's fans.
    void SetFanLevel(uint8_t level);

    // Ground truth now (from the clock seam).
    StationTruth_T Truth();
    // Value of a quantity now; NaN for an unknown id.
    double Value(const Signal_T& signal);
    // 0, or 1 when there is no such module.
    int Module(int id, ModuleState_T* state);
    // Writes the truth file now if one is enabled; 0, or 1 when it cannot be written.
    int WriteTruthFile();

private:
    struct ModuleEntry_T {
        ModuleEntry_T(const ModuleSettings_T& moduleSettings, const Conditions_T& conditions, double startTime);
        ModuleSettings_T settings;
        PvModule module;
        ElectronicLoad load;
    };

    // All below with the mutex held.
    void Refresh(double t);
    // The heat sinks take the power of their loads once settled (the loads
    // settle in milliseconds, the sinks over minutes), so they are advanced
    // to t under the old inputs before anything that changes the power, the
    // fans or the air, and handed the new inputs after it.
    double SettledPower(int sink) const;
    void SettleHeatSinks(double t);
    double ValueLocked(const Signal_T& signal, double t);
    double HeatSinkTemperature(int id, double t);
    double IntakeTemperature() const { return conditions.ambientC; }
    double FanPercent() const { return fanLevel * 100.0 / 255.0; }
    StationTruth_T TruthLocked(double t);

    mutable std::mutex mutex;
    Environment environment;
    double refreshSeconds;  // 0: the conditions never change
    double supplyRiseC;
    Conditions_T conditions;
    double conditionsTime = 0.0;
    bool conditionsValid = false;
    uint8_t fanLevel = 0;
    std::map<int, std::unique_ptr<ModuleEntry_T>> modules;  // keyed by module id
    std::map<std::pair<std::string, int>, int> loadModules;  // (bus, address) -> module id
    std::map<int, HeatSink> heatSinks;                       // keyed by heat-sink id
    std::map<unsigned, double> fixedCardTemperatures;        // keyed by card base
    std::unique_ptr<TruthFile> truthFile;
};

// Seconds since the epoch, from the clock seam, as the models take them.
double StationNow();

}  // namespace VN_Sim

#endif
