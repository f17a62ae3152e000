#include "vn_sim/station/sensor_section.h"

#include <cmath>
#include <cstring>

#include "vn_sim/station/section_items.h"
#include "vn_sim/station/xml_attributes.h"

namespace VN_Sim {

namespace {

int ReadPyranometer(const TiXmlElement& item, Station& station, std::string* error) {
    double sensitivity = 10.0;
    double tolerance = 0.0;
    if (ReadDouble(item, "uv_per_wm2", &sensitivity, error) != 0 || ReadDouble(item, "tolerance", &tolerance, error) != 0)
        return 1;
    if (sensitivity <= 0.0 || sensitivity > 100.0) return Fail(item, "uv_per_wm2 must be above 0 and at most 100", error);
    if (std::fabs(tolerance) > 0.2) return Fail(item, "tolerance must be within +-0.2", error);
    return WireInput(station, item, {Quantity_T::Irradiance, 0},
                     InputTransducer::Linear(sensitivity * 1e-6, tolerance), error);
}

int ReadType(const TiXmlElement& item, ThermocoupleType_T* type, std::string* error) {
    std::string text;
    if (RequireText(item, "type", &text, error) != 0) return 1;
    if (text == "T") {
        *type = TC_TYPE_T;
    } else if (text == "K") {
        *type = TC_TYPE_K;
    } else if (text == "J") {
        *type = TC_TYPE_J;
    } else {
        return Fail(item, "type must be T, K or J, not \"" + text + "\"", error);
    }
    return 0;
}

int ReadThermocouple(const TiXmlElement& item, Station& station, std::string* error) {
    ThermocoupleType_T type = TC_TYPE_T;
    std::string at;
    if (ReadType(item, &type, error) != 0 || RequireText(item, "at", &at, error) != 0) return 1;
    Signal_T signal;
    if (at == "module" || at == "heat_sink") {
        if (RequireInt(item, "id", &signal.id, error) != 0) return 1;
        bool known = at == "module" ? station.Model().HasModule(signal.id) : station.Model().HasHeatSink(signal.id);
        if (!known) return Fail(item, "no " + at + " with id " + std::to_string(signal.id), error);
        signal.quantity = at == "module" ? Quantity_T::ModuleTemperature : Quantity_T::HeatSinkTemperature;
    } else if (at == "ambient") {
        signal.quantity = Quantity_T::AmbientTemperature;
    } else if (at == "intake") {
        signal.quantity = Quantity_T::IntakeTemperature;
    } else if (at == "supply") {
        signal.quantity = Quantity_T::SupplyTemperature;
    } else {
        return Fail(item, "at must be module, heat_sink, ambient, intake or supply, not \"" + at + "\"", error);
    }
    return WireInput(station, item, signal, InputTransducer::Thermocouple(type), error);
}

}  // namespace

int ReadSensors(const TiXmlElement& root, Station& station, std::string* error) {
    const TiXmlElement* section = root.FirstChildElement("Sensors");
    if (section == nullptr) return 0;
    for (const TiXmlElement* item = section->FirstChildElement(); item != nullptr; item = item->NextSiblingElement()) {
        bool pyranometer = std::strcmp(item->Value(), "Pyranometer") == 0;
        if (!pyranometer && std::strcmp(item->Value(), "Thermocouple") != 0)
            return Fail(*item, "unknown element in Sensors (expected Pyranometer or Thermocouple)", error);
        bool here = false;
        if (station.BelongsHere(*item, *section, &here, error) != 0) return 1;
        if (!here) continue;
        int result = pyranometer ? ReadPyranometer(*item, station, error) : ReadThermocouple(*item, station, error);
        if (result != 0) return 1;
    }
    return 0;
}

}  // namespace VN_Sim
