#ifndef VN_SIM_STATION_STATION_SIGNAL_H
#define VN_SIM_STATION_STATION_SIGNAL_H

namespace VN_Sim {

// A physical quantity of the station that a sensor can be wired to.
enum class Quantity_T {
    ModuleVoltage,        // id: module
    ModuleCurrent,        // id: module
    ModuleTemperature,    // id: module (cell temperature)
    Irradiance,           // W/m² in the plane of the modules
    AmbientTemperature,   // outside air
    IntakeTemperature,    // cooling air drawn into the enclosure
    SupplyTemperature,    // power supply
    HeatSinkTemperature,  // id: heat sink
    CardTemperature,      // id: card base address (its cold junction)
};

struct Signal_T {
    Quantity_T quantity = Quantity_T::Irradiance;
    int id = 0;
};

}  // namespace VN_Sim

#endif
