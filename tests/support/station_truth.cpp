#include "station_truth.h"

#include <tinyxml.h>

#include <chrono>
#include <thread>

namespace VN_Test {

namespace {

double Real(const TiXmlElement* e, const char* name) {
    double value = 0.0;
    e->QueryDoubleAttribute(name, &value);
    return value;
}

}  // namespace

bool AllModulesTracking(const Truth_T& truth) {
    if (truth.modules.empty()) return false;
    for (const auto& module : truth.modules) {
        if (module.second.power < 0.97 * module.second.pmax) return false;
    }
    return true;
}

bool AllFourTracking(const Truth_T& truth) { return truth.modules.size() == 4 && AllModulesTracking(truth); }

bool ReadTruth(const std::string& path, Truth_T* truth) {
    TiXmlDocument document;
    if (!document.LoadFile(path.c_str()) || document.RootElement() == nullptr) return false;
    *truth = Truth_T();
    const TiXmlElement* root = document.RootElement();
    if (const TiXmlElement* environment = root->FirstChildElement("Environment")) {
        truth->irradiance = Real(environment, "irradiance");
        truth->ambient = Real(environment, "ambient");
    }
    for (const TiXmlElement* e = root->FirstChildElement("Module"); e != nullptr; e = e->NextSiblingElement("Module")) {
        int id = 0;
        e->QueryIntAttribute("id", &id);
        TruthModule_T& m = truth->modules[id];
        m.voltage = Real(e, "voltage");
        m.current = Real(e, "current");
        m.power = Real(e, "power");
        m.voc = Real(e, "voc");
        m.isc = Real(e, "isc");
        m.pmax = Real(e, "pmax");
        m.cellTemperature = Real(e, "cell_temperature");
        e->QueryIntAttribute("dac", &m.dac);
    }
    return !truth->modules.empty();
}

bool WaitForTruth(const std::string& path, const std::function<bool(const Truth_T&)>& done, int timeoutMs,
                  Truth_T* truth) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (ReadTruth(path, truth) && done(*truth)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

}  // namespace VN_Test
