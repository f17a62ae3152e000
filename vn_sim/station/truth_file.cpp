#include "vn_sim/station/truth_file.h"

#include <tinyxml.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace VN_Sim {

namespace {

// Reals as the station writes them everywhere else.
std::string Real(double value) {
    char text[32];
    std::snprintf(text, sizeof(text), "%E", value);
    return text;
}

void SetReal(TiXmlElement* element, const char* name, double value) { element->SetAttribute(name, Real(value)); }

void SetPoint(TiXmlElement* element, const char* prefix, const PowerPoint_T& point) {
    std::string p(prefix);
    SetReal(element, (p + "voltage").c_str(), point.voltage);
    SetReal(element, (p + "current").c_str(), point.current);
    SetReal(element, (p + "power").c_str(), point.power);
}

}  // namespace

const char* const TruthFile::DefaultName = "sim_truth.xml";

TruthFile::TruthFile(const std::string& filePath, double periodSeconds) : path(filePath), period(periodSeconds) {}

bool TruthFile::Due(double t) {
    // A clock moved backwards (a test's) starts the period afresh.
    if (everDue && t >= lastDue && t - lastDue < period) return false;
    everDue = true;
    lastDue = t;
    return true;
}

std::string TruthFile::ToXml(const StationTruth_T& truth) {
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    auto* root = new TiXmlElement("SimTruth");
    document.LinkEndChild(root);
    char time[32];
    std::snprintf(time, sizeof(time), "%.6f", truth.time);
    root->SetAttribute("time", time);

    auto* environment = new TiXmlElement("Environment");
    SetReal(environment, "irradiance", truth.conditions.irradiance);
    SetReal(environment, "ambient", truth.conditions.ambientC);
    SetReal(environment, "cell_temperature", truth.conditions.cellTemperatureC);
    SetReal(environment, "intake", truth.intakeC);
    SetReal(environment, "supply", truth.supplyC);
    SetReal(environment, "fan_percent", truth.fanPercent);
    root->LinkEndChild(environment);

    for (const auto& entry : truth.modules) {
        const ModuleState_T& state = entry.second;
        auto* module = new TiXmlElement("Module");
        module->SetAttribute("id", entry.first);
        module->SetAttribute("bus", state.bus);
        module->SetAttribute("address", state.address);
        module->SetAttribute("dac", static_cast<int>(state.dac));
        SetReal(module, "irradiance", state.truth.irradiance);
        SetReal(module, "cell_temperature", state.truth.cellTemperature);
        SetReal(module, "isc", state.truth.isc);
        SetReal(module, "voc", state.truth.voc);
        SetReal(module, "pmax", state.truth.maxPower.power);
        SetReal(module, "vmp", state.truth.maxPower.voltage);
        SetReal(module, "imp", state.truth.maxPower.current);
        SetPoint(module, "", state.operating);
        root->LinkEndChild(module);
    }
    for (const auto& entry : truth.heatSinks) {
        auto* sink = new TiXmlElement("HeatSink");
        sink->SetAttribute("id", entry.first);
        SetReal(sink, "temperature", entry.second);
        root->LinkEndChild(sink);
    }
    // Counts as decimal text: a 64-bit count does not fit SetAttribute's int.
    auto* conversions = new TiXmlElement("Conversions");
    conversions->SetAttribute("results_read", std::to_string(truth.conversions.resultsRead));
    conversions->SetAttribute("front_end_switches", std::to_string(truth.conversions.frontEndSwitches));
    root->LinkEndChild(conversions);
    TiXmlPrinter printer;
    printer.SetIndent("    ");
    printer.SetLineBreak("\n");
    document.Accept(&printer);
    return printer.Str();
}

int TruthFile::Write(const StationTruth_T& truth) {
    std::string text = ToXml(truth);
    std::lock_guard<std::mutex> lock(writeMutex);
    std::string temporary = path + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "w");
    bool written = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (file != nullptr && std::fclose(file) != 0) written = false;
    if (written && std::rename(temporary.c_str(), path.c_str()) == 0) return 0;
    if (!failureReported) std::fprintf(stderr, "sim_station: cannot write the truth file %s\n", path.c_str());
    failureReported = true;
    std::remove(temporary.c_str());
    return 1;
}

}  // namespace VN_Sim
