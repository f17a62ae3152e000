#include "vn_sim/station/module_section.h"

#include <cmath>
#include <cstring>

#include "vn_sim/station/section_items.h"
#include "vn_sim/station/xml_attributes.h"

namespace VN_Sim {

namespace {

const int LoadAddresses = 16;
// A divider or shunt worse than this is a wiring fault, not a tolerance.
const double MaxTolerance = 0.2;

int ReadSingleDiode(const TiXmlElement& diode, PvModuleParams_T* params, std::string* error) {
    return ReadDouble(diode, "il_ref", &params->ilRef, error) != 0 ||
                   ReadDouble(diode, "i0_ref", &params->i0Ref, error) != 0 ||
                   ReadDouble(diode, "rs", &params->rs, error) != 0 ||
                   ReadDouble(diode, "rsh_ref", &params->rshRef, error) != 0 ||
                   ReadDouble(diode, "a_ref", &params->aRef, error) != 0 ||
                   ReadDouble(diode, "alpha_sc", &params->alphaSc, error) != 0 ||
                   ReadInt(diode, "bypass_diodes", &params->bypassDiodes, error) != 0
               ? 1
               : 0;
}

int ReadLoad(const TiXmlElement& load, ModuleSettings_T* settings, std::string* error) {
    double settlingMs = settings->load.timeConstant * 1e3;
    if (ReadDouble(load, "vmax", &settings->load.vmax, error) != 0 ||
        ReadDouble(load, "on_resistance", &settings->load.onResistance, error) != 0 ||
        ReadDouble(load, "current_limit", &settings->load.currentLimit, error) != 0 ||
        ReadDouble(load, "settling_ms", &settlingMs, error) != 0 || ReadInt(load, "heat_sink", &settings->heatSink, error) != 0)
        return 1;
    settings->load.timeConstant = settlingMs * 1e-3;
    return 0;
}

// <Voltage> or <Current>: card input, nominal gain (V/V or V/A) and tolerance.
int ReadPath(const TiXmlElement& path, Station& station, int module, Quantity_T quantity, std::string* error) {
    double gain = 0.0;
    double tolerance = 0.0;
    if (path.Attribute("gain") == nullptr) return Fail(path, "attribute gain is missing", error);
    if (ReadDouble(path, "gain", &gain, error) != 0 || ReadDouble(path, "tolerance", &tolerance, error) != 0) return 1;
    if (gain <= 0.0) return Fail(path, "gain must be positive", error);
    if (std::fabs(tolerance) > MaxTolerance) return Fail(path, "tolerance must be within +-0.2", error);
    return WireInput(station, path, {quantity, module}, InputTransducer::Linear(gain, tolerance), error);
}

int ReadModule(const TiXmlElement& item, Station& station, std::string* error) {
    int id = 0;
    ModuleSettings_T settings;
    if (RequireInt(item, "id", &id, error) != 0 || RequireText(item, "bus", &settings.bus, error) != 0 ||
        RequireInt(item, "address", &settings.address, error) != 0)
        return 1;
    if (const char* model = item.Attribute("model")) {
        if (std::strcmp(model, "default") != 0)
            return Fail(item, std::string("unknown module model \"") + model + "\" (only default)", error);
    }
    if (!station.HasBus(settings.bus)) return Fail(item, "no bus named " + settings.bus + " in CanBusses", error);
    if (settings.address < 0 || settings.address >= LoadAddresses) return Fail(item, "load address must be 0..15", error);
    const TiXmlElement* paths[2] = {nullptr, nullptr};
    for (const TiXmlElement* child = item.FirstChildElement(); child != nullptr; child = child->NextSiblingElement()) {
        std::string name = child->ValueStr();
        if (name == "SingleDiode") {
            if (ReadSingleDiode(*child, &settings.diode, error) != 0) return 1;
        } else if (name == "Load") {
            if (ReadLoad(*child, &settings, error) != 0) return 1;
        } else if (name == "Voltage" || name == "Current") {
            paths[name == "Voltage" ? 0 : 1] = child;
        } else {
            return Fail(*child, "unknown element in Module", error);
        }
    }
    if (settings.heatSink != 0 && !station.Model().HasHeatSink(settings.heatSink))
        return Fail(item, "no heat sink " + std::to_string(settings.heatSink) + " in HeatSinks", error);
    int result = station.Model().AddModule(id, settings);
    if (result == StationModel::IdTaken)
        return Fail(item, "module id or load address " + settings.bus + ":" + std::to_string(settings.address) + " is taken",
                    error);
    if (result != 0) return Fail(item, "single-diode or load parameters no real device could have", error);
    station.ListenForDacs(settings.bus);
    if (paths[0] && ReadPath(*paths[0], station, id, Quantity_T::ModuleVoltage, error) != 0) return 1;
    if (paths[1] && ReadPath(*paths[1], station, id, Quantity_T::ModuleCurrent, error) != 0) return 1;
    return 0;
}

}  // namespace

int ReadModules(const TiXmlElement& root, Station& station, std::string* error) {
    return ReadSectionItems(root, "Modules", "Module", station, [&station](const TiXmlElement& item, std::string* err) {
        return ReadModule(item, station, err);
    }, error);
}

}  // namespace VN_Sim
