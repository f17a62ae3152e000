#include "vn_sim/station/environment_section.h"

#include "vn_sim/physics/physics_error.h"
#include "vn_sim/station/section_items.h"
#include "vn_sim/station/xml_attributes.h"

namespace VN_Sim {

namespace {

const double DefaultSupplyRiseC = 10.0;

int ReadClouds(const TiXmlElement& clouds, CloudParams_T* params, std::string* error) {
    int seed = static_cast<int>(params->seed);
    if (ReadDouble(clouds, "fraction", &params->fraction, error) != 0 || ReadInt(clouds, "seed", &seed, error) != 0 ||
        ReadDouble(clouds, "period", &params->period, error) != 0 ||
        ReadDouble(clouds, "edge", &params->edge, error) != 0 ||
        ReadDouble(clouds, "min_transmission", &params->minTransmission, error) != 0 ||
        ReadDouble(clouds, "max_transmission", &params->maxTransmission, error) != 0)
        return 1;
    if (seed < 0) return Fail(clouds, "seed must not be negative", error);
    params->seed = static_cast<uint64_t>(seed);
    return 0;
}

}  // namespace

int ReadEnvironment(const TiXmlElement* root, EnvironmentParams_T* params, double* supplyRiseC,
                    std::string* error) {
    *params = EnvironmentParams_T();
    *supplyRiseC = DefaultSupplyRiseC;
    const TiXmlElement* environment = root ? root->FirstChildElement("Environment") : nullptr;
    if (environment == nullptr) return 0;
    std::string mode = "fixed";
    if (const char* text = environment->Attribute("mode")) mode = text;
    if (mode != "fixed" && mode != "clear_sky")
        return Fail(*environment, "mode must be fixed or clear_sky, not \"" + mode + "\"", error);
    params->clearSky = mode == "clear_sky";
    const TiXmlElement& e = *environment;
    if (ReadDouble(e, "irradiance", &params->fixedIrradiance, error) != 0 ||
        ReadDouble(e, "ambient", &params->fixedAmbientC, error) != 0 ||
        ReadDouble(e, "latitude", &params->latitudeDeg, error) != 0 ||
        ReadDouble(e, "longitude", &params->longitudeDeg, error) != 0 ||
        ReadDouble(e, "ambient_min", &params->ambientMinC, error) != 0 ||
        ReadDouble(e, "ambient_max", &params->ambientMaxC, error) != 0 ||
        ReadDouble(e, "cell_rise", &params->cellRisePerIrradiance, error) != 0 ||
        ReadDouble(e, "supply_rise", supplyRiseC, error) != 0)
        return 1;
    if (const TiXmlElement* clouds = e.FirstChildElement("Clouds")) {
        if (ReadClouds(*clouds, &params->clouds, error) != 0) return 1;
    }
    if (Environment::CheckParams(*params) != PHYS_OK)
        return Fail(e, "conditions outside what the environment model covers", error);
    if (*supplyRiseC < 0.0 || *supplyRiseC > 100.0) return Fail(e, "supply_rise must be 0..100", error);
    return 0;
}

int ReadHeatSinks(const TiXmlElement& root, Station& station, std::string* error) {
    return ReadSectionItems(root, "HeatSinks", "HeatSink", station, [&station](const TiXmlElement& item, std::string* err) {
        int id = 0;
        HeatSinkParams_T params;
        if (RequireInt(item, "id", &id, err) != 0 ||
            ReadDouble(item, "still_resistance", &params.stillResistance, err) != 0 ||
            ReadDouble(item, "full_resistance", &params.fullResistance, err) != 0 ||
            ReadDouble(item, "heat_capacity", &params.heatCapacity, err) != 0)
            return 1;
        int result = station.Model().AddHeatSink(id, params);
        if (result == StationModel::IdTaken) return Fail(item, "heat sink " + std::to_string(id) + " is given twice", err);
        if (result != 0)
            return Fail(item, "needs 0 < full_resistance <= still_resistance and a positive heat_capacity", err);
        return 0;
    }, error);
}

}  // namespace VN_Sim
