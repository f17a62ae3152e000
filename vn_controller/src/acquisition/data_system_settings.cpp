#include <cmath>

#include "acquisition/data_system.h"
#include "common/line_text.h"
#include "common/xml_helper.h"

namespace VN_Sample {

namespace {

// Highest position in a channel's irradiance, temperature or aux input list.
constexpr int MaxListIndex = 48;
// A profile entry's voltage when the element has none.
constexpr double MissingVoltage = -999.0;

bool ReadAttribute(const TiXmlElement& element, const char* name, int* value) {
    return element.QueryIntAttribute(name, value) == TIXML_SUCCESS;
}

// Only finite reals: "nan" or "inf" would reach a load as a set-point.
bool ReadAttribute(const TiXmlElement& element, const char* name, double* value) {
    double read = 0.0;
    if (element.QueryDoubleAttribute(name, &read) != TIXML_SUCCESS || !std::isfinite(read)) return false;
    *value = read;
    return true;
}

// Hands a setting read from the element that differs from the current one to
// its setter; true when the setter took it.
template <typename T>
bool ChangeSetting(const TiXmlElement& element, const char* name, T current, ModuleChannel& channel,
                   int (ModuleChannel::*setter)(T)) {
    T read{};
    return ReadAttribute(element, name, &read) && read != current && (channel.*setter)(read) == 0;
}

TiXmlElement* MakeNewVersionedElement(const char* name) {
    auto* element = new TiXmlElement(name);
    element->SetAttribute("version", 1);
    return element;
}

TiXmlElement* MakeNewIdList(const char* listName, const char* itemName, const std::vector<int>& ids) {
    auto* list = new TiXmlElement(listName);
    for (size_t index = 0; index < ids.size(); ++index) {
        auto* item = new TiXmlElement(itemName);
        item->SetAttribute("id", ids[index]);
        item->SetAttribute("index", static_cast<int>(index));
        list->LinkEndChild(item);
    }
    return list;
}

// Rebuilds an id list when the channel element carries it: each item stores
// its id at its index; gaps hold -1.
void ReadIdList(const TiXmlElement& channel, const char* listName, const char* itemName, std::vector<int>& ids) {
    const TiXmlElement* list = channel.FirstChildElement(listName);
    if (list == nullptr) return;
    ids.clear();
    for (const TiXmlElement* item = list->FirstChildElement(itemName); item != nullptr;
         item = item->NextSiblingElement(itemName)) {
        int id = 0;
        int index = 0;
        if (!ReadAttribute(*item, "id", &id) || !ReadAttribute(*item, "index", &index)) continue;
        if (index < 0 || index > MaxListIndex) continue;
        if (ids.size() <= static_cast<size_t>(index)) ids.resize(index + 1, -1);
        ids[index] = id;
    }
}

TiXmlElement* MakeNewVoltageProfile(const std::vector<VoltageProfileEntry_T>& profile) {
    auto* list = new TiXmlElement("VoltageProfile");
    for (const VoltageProfileEntry_T& step : profile) {
        auto* entry = new TiXmlElement("Entry");
        XmlHelper::SetRealAttribute(entry, "voltage", step.voltage);
        entry->SetAttribute("hour", step.startTime / 3600);
        entry->SetAttribute("min", step.startTime % 3600 / 60);
        entry->SetAttribute("sec", step.startTime % 60);
        list->LinkEndChild(entry);
    }
    return list;
}

// Replaces the profile when the channel element carries one. An entry needs
// a voltage and a time of day.
void ReadVoltageProfile(const TiXmlElement& channel, std::vector<VoltageProfileEntry_T>& profile) {
    const TiXmlElement* list = channel.FirstChildElement("VoltageProfile");
    if (list == nullptr) return;
    profile.clear();
    for (const TiXmlElement* entry = list->FirstChildElement("Entry"); entry != nullptr;
         entry = entry->NextSiblingElement("Entry")) {
        double voltage = MissingVoltage;
        int hour = -1;
        int minute = -1;
        int second = -1;
        ReadAttribute(*entry, "voltage", &voltage);
        ReadAttribute(*entry, "hour", &hour);
        ReadAttribute(*entry, "min", &minute);
        ReadAttribute(*entry, "sec", &second);
        if (voltage == MissingVoltage) continue;
        if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) continue;
        VoltageProfileEntry_T step;
        step.startTime = hour * 3600 + minute * 60 + second;
        step.voltage = voltage;
        profile.push_back(step);
    }
}

TiXmlElement* MakeNewChannelSettings(int id, const ModuleChannel& channel) {
    const LoadConfiguration_T& load = channel.loadConfiguration;
    auto* element = new TiXmlElement("Channel");
    element->SetAttribute("id", id);
    element->SetAttribute("module_description", channel.sample.name);
    element->SetAttribute("system_description", channel.curve.Sub_System);
    element->SetAttribute("site_description", channel.curve.Site);
    element->SetAttribute("track_mode", load.mode);
    XmlHelper::SetRealAttribute(element, "fixed_voltage", load.fixedVoltage);
    element->SetAttribute("enable_curve", channel.curveEnabled ? "yes" : "no");
    element->SetAttribute("average_usec", load.averageUsec);
    XmlHelper::SetRealAttribute(element, "ptrack_vmin", load.ptrackVmin);
    XmlHelper::SetRealAttribute(element, "ptrack_vstep", load.ptrackVstep);
    XmlHelper::SetRealAttribute(element, "aperture_area", channel.apertureArea);
    XmlHelper::SetRealAttribute(element, "total_area", channel.totalArea);
    element->LinkEndChild(MakeNewIdList("Irradiances", "Irradiance", channel.irradianceIds));
    element->LinkEndChild(MakeNewIdList("Temperatures", "Temperature", channel.temperatureIds));
    element->LinkEndChild(MakeNewIdList("AuxInputs", "AuxInput", channel.auxInputIds));
    element->LinkEndChild(MakeNewVoltageProfile(channel.voltageProfile));
    return element;
}

// Applies one Channel element; true when a load setting changed, so the
// unit's load needs the new configuration.
bool ReadChannelSettings(TiXmlElement& element, ModuleChannel& channel) {
    if (const char* module = element.Attribute("module_description")) {
        // Line breaks would end up in the data file's header and the curve files.
        channel.sample.name = OneLineText(module);
        channel.curve.Name = channel.sample.name;
    }
    XmlHelper::GetSafeStringAtrtribute(&element, "system_description", channel.curve.Sub_System);
    XmlHelper::GetSafeStringAtrtribute(&element, "site_description", channel.curve.Site);

    const LoadConfiguration_T& load = channel.loadConfiguration;
    bool changed = false;
    int mode = 0;
    if (ReadAttribute(element, "track_mode", &mode)) {
        channel.SetTrackingMode(mode);
        changed = true;
    }
    changed |= ChangeSetting(element, "fixed_voltage", load.fixedVoltage, channel, &ModuleChannel::SetFixedVoltage);
    changed |= ChangeSetting(element, "average_usec", load.averageUsec, channel, &ModuleChannel::SetAveragePeriod);
    changed |= ChangeSetting(element, "ptrack_vmin", load.ptrackVmin, channel, &ModuleChannel::SetPtrackVmin);
    changed |= ChangeSetting(element, "ptrack_vstep", load.ptrackVstep, channel, &ModuleChannel::SetPtrackVstep);

    if (const char* flag = element.Attribute("enable_curve")) channel.curveEnabled = std::string(flag) == "yes";
    // The areas only scale reported figures; the load does not use them.
    ChangeSetting(element, "aperture_area", channel.apertureArea, channel, &ModuleChannel::SetApertureArea);
    ChangeSetting(element, "total_area", channel.totalArea, channel, &ModuleChannel::SetTotalArea);

    ReadIdList(element, "Irradiances", "Irradiance", channel.irradianceIds);
    ReadIdList(element, "AuxInputs", "AuxInput", channel.auxInputIds);
    ReadIdList(element, "Temperatures", "Temperature", channel.temperatureIds);
    ReadVoltageProfile(element, channel.voltageProfile);
    return changed;
}

// The AuxInputs or Temperatures element: each channel's own element with its
// channel id added.
template <typename ChannelType>
TiXmlElement* MakeNewChannelList(const char* name, const std::map<int, ChannelType>& channels) {
    TiXmlElement* list = MakeNewVersionedElement(name);
    for (const auto& [id, channel] : channels) {
        TiXmlElement* element = channel.MakeNewXmlElement();
        element->SetAttribute("id", id);
        list->LinkEndChild(element);
    }
    return list;
}

template <typename ChannelType>
void ReadChannelList(TiXmlElement& list, std::map<int, ChannelType>& channels) {
    for (TiXmlElement* element = list.FirstChildElement(); element != nullptr;
         element = element->NextSiblingElement()) {
        int id = 0;
        if (!ReadAttribute(*element, "id", &id)) continue;
        auto channel = channels.find(id);
        if (channel != channels.end()) channel->second.Initialize(*element);
    }
}

// The element printed as a document, under a root of its own when rootName
// is given; the caller's element is adopted.
std::string PrintElement(TiXmlElement* element, const char* rootName) {
    TiXmlDocument document;
    if (rootName != nullptr) {
        auto* root = new TiXmlElement(rootName);
        root->LinkEndChild(element);
        document.LinkEndChild(root);
    } else {
        document.LinkEndChild(element);
    }
    return XmlHelper::GetAsString(&document);
}

// Parses a settings text and applies its element: the root itself when child
// is null, else the root's child of that name (none: nothing to apply).
template <typename Apply>
int ApplySettingsText(const std::string& text, const char* child, Apply apply) {
    TiXmlDocument document;
    document.Parse(text.c_str());
    TiXmlElement* root = document.Error() ? nullptr : document.RootElement();
    if (root == nullptr) return DataSystem::ErrNoRoot;
    TiXmlElement* element = child != nullptr ? root->FirstChildElement(child) : root;
    return element != nullptr ? apply(*element) : 0;
}

}  // namespace

int DataSystem::SetUserSettings(std::string file) {
    TiXmlDocument document;
    if (!document.LoadFile(file)) return ErrSettingsFile;
    return SetUserSettings(document);
}

int DataSystem::SetUserSettings(TiXmlDocument& document) {
    TiXmlElement* root = document.RootElement();
    if (root == nullptr) return ErrNoRoot;
    if (TiXmlElement* globals = root->FirstChildElement("Globals")) SetGlobalSettings(*globals);
    if (TiXmlElement* channels = root->FirstChildElement("ModuleChannels")) SetModuleChannelSettings(*channels);
    if (TiXmlElement* auxInputs = root->FirstChildElement("AuxInputs")) SetAuxInputChannelSettings(*auxInputs);
    if (TiXmlElement* temperatures = root->FirstChildElement("Temperatures")) {
        SetTemperatureChannelSettings(*temperatures);
    }
    return 0;
}

int DataSystem::GetUserSettings(TiXmlDocument& document) {
    TiXmlElement* root = document.RootElement();
    if (root == nullptr) return ErrNoRoot;
    root->LinkEndChild(GetGlobalSettings());
    root->LinkEndChild(GetModuleChannelSettings());
    root->LinkEndChild(GetAuxInputSettings());
    root->LinkEndChild(MakeNewXmlTemperatureChannelSettings());
    return 0;
}

TiXmlElement* DataSystem::GetGlobalSettings() {
    TiXmlElement* globals = MakeNewVersionedElement("Globals");
    auto* loads = new TiXmlElement("Loads");
    loads->SetAttribute("power_mode", globalPowerMode);
    globals->LinkEndChild(loads);
    auto* curves = new TiXmlElement("Curves");
    curves->SetAttribute("curve_mode", globalCurveMode);
    globals->LinkEndChild(curves);
    return globals;
}

int DataSystem::SetGlobalSettings(TiXmlElement& globals) {
    int mode = 0;
    const TiXmlElement* loads = globals.FirstChildElement("Loads");
    if (loads != nullptr && ReadAttribute(*loads, "power_mode", &mode)) SetGlobalPowerMode(mode);
    const TiXmlElement* curves = globals.FirstChildElement("Curves");
    if (curves != nullptr && ReadAttribute(*curves, "curve_mode", &mode)) SetGlobalCurveMode(mode);
    return 0;
}

TiXmlElement* DataSystem::GetModuleChannelSettings() {
    TiXmlElement* list = MakeNewVersionedElement("ModuleChannels");
    for (const auto& [id, channel] : moduleChannels) list->LinkEndChild(MakeNewChannelSettings(id, channel));
    return list;
}

int DataSystem::SetModuleChannelSettings(TiXmlElement& channels) {
    for (TiXmlElement* element = channels.FirstChildElement("Channel"); element != nullptr;
         element = element->NextSiblingElement("Channel")) {
        int id = 0;
        if (!ReadAttribute(*element, "id", &id)) continue;
        ModuleChannel* channel = GetModuleChannel(id);
        if (channel != nullptr && ReadChannelSettings(*element, *channel)) RefreshLoad(*channel);
    }
    return 0;
}

TiXmlElement* DataSystem::GetAuxInputSettings() { return MakeNewChannelList("AuxInputs", auxInputChannels); }

TiXmlElement* DataSystem::MakeNewXmlAuxInputChannelSettings() { return GetAuxInputSettings(); }

int DataSystem::SetAuxInputChannelSettings(TiXmlElement& auxInputs) {
    ReadChannelList(auxInputs, auxInputChannels);
    return 0;
}

TiXmlElement* DataSystem::MakeNewXmlTemperatureChannelSettings() {
    return MakeNewChannelList("Temperatures", temperatureChannels);
}

int DataSystem::SetTemperatureChannelSettings(TiXmlElement& temperatures) {
    ReadChannelList(temperatures, temperatureChannels);
    return 0;
}

int DataSystem::GetXmlAuxInputChannelSettings(std::string& text) {
    text = PrintElement(MakeNewXmlAuxInputChannelSettings(), nullptr);
    return 0;
}

int DataSystem::GetXmlTemperatureChannelSettings(std::string& text) {
    text = PrintElement(MakeNewXmlTemperatureChannelSettings(), nullptr);
    return 0;
}

int DataSystem::GetModuleChannelSettings(std::string& text) {
    text = PrintElement(GetModuleChannelSettings(), "Settings");
    return 0;
}

int DataSystem::GetGlobalSettings(std::string& text) {
    text = PrintElement(GetGlobalSettings(), "settings");
    return 0;
}

int DataSystem::SetAuxInputChannelSettings(std::string text) {
    return ApplySettingsText(text, nullptr, [this](TiXmlElement& list) { return SetAuxInputChannelSettings(list); });
}

int DataSystem::SetTemperatureChannelSettings(std::string text) {
    return ApplySettingsText(text, nullptr,
                             [this](TiXmlElement& list) { return SetTemperatureChannelSettings(list); });
}

int DataSystem::SetModuleChannelSettings(std::string text) {
    return ApplySettingsText(text, "ModuleChannels",
                             [this](TiXmlElement& list) { return SetModuleChannelSettings(list); });
}

int DataSystem::SetGlobalSettings(std::string text) {
    return ApplySettingsText(text, "Globals", [this](TiXmlElement& globals) { return SetGlobalSettings(globals); });
}

}  // namespace VN_Sample
