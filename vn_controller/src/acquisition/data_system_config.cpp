#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "acquisition/data_system.h"
#include "backup_volume.h"
#include "can_control.h"
#include "clock.h"
#include "com_control.h"
#include "common/controller_logs.h"
#include "common/durable_file.h"
#include "common/software_version.h"
#include "common/xml_helper.h"
#include "host_settings.h"
#include "socket_control.h"

namespace VN_Sample {

namespace {

constexpr int MaxIoAddress = 0xFFFF;

// An I/O port address written in hexadecimal; false when it is missing or
// cannot be a port.
bool ReadIoAddress(const TiXmlElement& element, const char* name, int* address) {
    const char* text = element.Attribute(name);
    if (text == nullptr) return false;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 16);
    if (end == text || value > MaxIoAddress) return false;
    *address = static_cast<int>(value);
    return true;
}

}  // namespace

// The link over a CAN bus on the adapter card at can_address; null without
// a usable address. Cards and buses outlive the links and are set up once:
// a re-applied configuration uses them again instead of adding another card
// object and resetting the chip under a bus already in use.
std::unique_ptr<VN_Lib::CommandControl> DataSystem::MakeCanLink(const TiXmlElement& element) {
    int address = 0;
    if (!ReadIoAddress(element, "can_address", &address)) return nullptr;
    int canId = 0;
    element.QueryIntAttribute("can_id", &canId);
    std::unique_ptr<VN_Lib::Analog104>& card = canCards[address];
    if (card == nullptr) card = std::make_unique<VN_Lib::Analog104>(address);
    std::unique_ptr<VN_Lib::CanBus>& bus = canBuses[{address, canId}];
    if (bus == nullptr) bus = std::make_unique<VN_Lib::CanBus>();
    // A bus that cannot be set up fails the first exchange, which puts the
    // source offline; it is tried again when the configuration is re-applied.
    if (!bus->IsInitialized()) bus->Initialize(card.get(), canId);
    auto link = std::make_unique<VN_Lib::CanControl>();
    link->OpenPort(bus.get());
    return link;
}

namespace {

std::unique_ptr<VN_Lib::CommandControl> MakeComLink(const TiXmlElement& element) {
    int comId = 0;
    int baud = VN_Lib::ComControl::DefaultBaud;
    element.QueryIntAttribute("com_id", &comId);
    element.QueryIntAttribute("baud", &baud);
    auto link = std::make_unique<VN_Lib::ComControl>();
    link->OpenPort(comId, baud);
    return link;
}

std::unique_ptr<VN_Lib::CommandControl> MakeLocalLink() {
    auto link = std::make_unique<VN_Lib::SocketControl>();
    // A unit that is not listening yet shows up at the first exchange.
    link->OpenClientSocket(VN_Lib::LocalUnitPort());
    return link;
}

// Every channel element of one section of a channel configuration whose
// data source exists becomes a default channel of that source and marks the
// source active.
template <typename ChannelType>
void BuildChannels(const TiXmlElement& root, const char* section, const char* item,
                   std::map<int, DataSource>& sources, std::map<int, ChannelType>& channels) {
    channels.clear();
    const TiXmlElement* list = root.FirstChildElement(section);
    if (list == nullptr) return;
    for (const TiXmlElement* element = list->FirstChildElement(item); element != nullptr;
         element = element->NextSiblingElement(item)) {
        int localId = -1;
        int sourceId = -1;
        element->QueryIntAttribute("id", &localId);
        element->QueryIntAttribute("data_source", &sourceId);
        auto source = sources.find(sourceId);
        if (source == sources.end()) continue;
        const int id = DataSystem::GetChannelId(sourceId, localId);
        if (id > 0) {
            auto [entry, added] = channels.try_emplace(id);
            if (added) {
                entry->second.dataSourceId = sourceId;
                entry->second.localId = localId;
            }
        }
        source->second.SetActiveState(true);
    }
}

template <typename Sample>
void AppendInputs(TiXmlElement& list, const char* item, const std::map<int, Sample>& samples, int sourceId) {
    for (const auto& sample : samples) {
        auto* element = new TiXmlElement(item);
        element->SetAttribute("id", sample.first);
        element->SetAttribute("data_source", sourceId);
        list.LinkEndChild(element);
    }
}

TiXmlElement* AddEmptyElement(TiXmlElement& parent, const char* name) {
    auto* element = new TiXmlElement(name);
    parent.LinkEndChild(element);
    return element;
}

std::string TodayText() {
    const time_t now = VN_Lib::Now();
    struct tm local = {};
    localtime_r(&now, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02i-%02i-%04i", local.tm_mon + 1, local.tm_mday, local.tm_year + 1900);
    return text;
}

}  // namespace

int DataSystem::SetSystemConfiguration(std::string file) {
    TiXmlDocument document;
    if (!document.LoadFile(file)) return ErrConfigFile;
    return SetSystemConfiguration(document);
}

int DataSystem::SetSystemConfiguration(TiXmlDocument& document) {
    TiXmlElement* root = document.RootElement();
    if (root == nullptr) return ErrNoRoot;

    TiXmlHandle top(root);
    TiXmlElement* reset = top.FirstChildElement("GeneralSettings").FirstChildElement("OffLineReset").ToElement();
    int interval = 0;
    if (reset != nullptr && reset->QueryIntAttribute("interval", &interval) == TIXML_SUCCESS && interval >= 0) {
        offlineRetryInterval = interval;
    }

    leds.clear();
    for (TiXmlElement* led = top.FirstChildElement("Leds").FirstChildElement("Led").ToElement(); led != nullptr;
         led = led->NextSiblingElement("Led")) {
        int id = -1;
        int bit = -1;
        int address = 0;
        led->QueryIntAttribute("id", &id);
        led->QueryIntAttribute("bit", &bit);
        if (id < 0 || !ReadIoAddress(*led, "io_address", &address)) continue;
        leds[id] = VN_Lib::Led(address, bit);
    }

    int result = 0;
    for (TiXmlElement* element = top.FirstChildElement("DataSources").FirstChildElement("DataSource").ToElement();
         element != nullptr; element = element->NextSiblingElement("DataSource")) {
        int id = -1;
        // A negative id could never own a channel, so it gets no entry.
        if (element->QueryIntAttribute("id", &id) != TIXML_SUCCESS || id < 0) continue;
        DataSource& source = dataSources[id];
        result = SetUpLink(*element, source);
        int ledId = -1;
        element->QueryIntAttribute("led", &ledId);
        source.statusLed = leds[ledId];
        // The channel configuration decides which sources are active.
        source.SetActiveState(false);
        if (result != 0) continue;
        // A unit whose description cannot be read (a CAN bus that would not
        // start, say) is not usable: offline, so the retry pass tries again.
        const int error = source.Initialize();
        if (error != 0 && source.Online()) source.GoOffline(error, "GetConfiguration()");
    }
    return result;
}

int DataSystem::SetUpLink(TiXmlElement& element, DataSource& source) {
    const char* typeText = element.Attribute("port_type");
    const std::string type = typeText != nullptr ? typeText : "";
    std::unique_ptr<VN_Lib::CommandControl> link;
    if (type == "local") {
        link = MakeLocalLink();
    } else if (type == "CAN") {
        link = MakeCanLink(element);
    } else if (type == "COM") {
        link = MakeComLink(element);
    }
    // Without a usable link the source must not keep talking over an old one.
    const int result = link != nullptr ? 0 : ErrUnsupportedPort;
    source.SetPort(link.release());
    return result;
}

int DataSystem::SetChannelConfiguration(std::string file) {
    TiXmlDocument document;
    if (!document.LoadFile(file)) return ErrConfigFile;
    return SetChannelConfiguration(document);
}

int DataSystem::SetChannelConfiguration(TiXmlDocument& document) {
    TiXmlElement* root = document.RootElement();
    if (root == nullptr) return ErrNoRoot;
    for (auto& source : dataSources) source.second.SetActiveState(false);
    BuildChannels(*root, "AuxInputs", "AuxInput", dataSources, auxInputChannels);
    BuildChannels(*root, "Temperatures", "Temperature", dataSources, temperatureChannels);
    BuildChannels(*root, "ModuleChannels", "Channel", dataSources, moduleChannels);
    return 0;
}

int DataSystem::ClearChannelConfiguration() {
    temperatureChannels.clear();
    auxInputChannels.clear();
    moduleChannels.clear();
    return 0;
}

int DataSystem::GetChannelConfigurationAsXml(TiXmlDocument& document) {
    document.Clear();
    document.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    auto* root = new TiXmlElement("System_Config");
    root->SetAttribute("version", "1");
    root->SetAttribute("date", TodayText());
    document.LinkEndChild(root);
    TiXmlElement* modules = AddEmptyElement(*root, "ModuleChannels");
    TiXmlElement* auxInputs = AddEmptyElement(*root, "AuxInputs");
    TiXmlElement* temperatures = AddEmptyElement(*root, "Temperatures");

    for (auto& [id, source] : dataSources) {
        MsgLog.Writef("Learn DS %i\n", id);
        if (!source.Online()) {
            MsgLog.Writef("Learn Try offline DS=%i\n", id);
            BringOnline(id, source);
        }
        if (!source.Online()) {
            source.SetActiveState(false);
            continue;
        }
        source.SetActiveState(true);
        if (source.GetConfiguration() != 0) continue;
        AppendInputs(*modules, "Channel", source.moduleSamples, id);
        AppendInputs(*auxInputs, "AuxInput", source.auxInputSamples, id);
        AppendInputs(*temperatures, "Temperature", source.temperatureSamples, id);
    }
    return 0;
}

int DataSystem::LearnChannelConfiguration(std::string file, TiXmlDocument& document) {
    GetChannelConfigurationAsXml(document);
    MsgLog.Writef("Save chan config %s\n", file.c_str());
    if (!ReplaceFileWithDocument(document, file)) {
        ErrMsgLog.Write("Error save chan config\n");
        return ErrWriteChannelConfig;
    }
    VN_Lib::CopyToBackupVolume(file);
    return 0;
}

void DataSystem::GetAboutAsStrings(std::list<std::string>& lines) {
    lines.clear();
    lines.push_back("Vantrel System\n\n");
    lines.push_back("Controller Software Version " + SoftwareVersion + "\n\n");
    for (const auto& [id, source] : dataSources) {
        if (!source.Active()) continue;
        std::string block = id == 0 ? "----Data Source Controller----\n"
                                    : "\n\n----Data Source Load " + std::to_string(id) + "----\n";
        std::string configuration;
        source.ConfigurationString(configuration);
        lines.push_back(block + configuration);
    }
}

void DataSystem::GetAboutAsString(std::string& text) {
    std::list<std::string> lines;
    GetAboutAsStrings(lines);
    text.clear();
    for (const std::string& line : lines) text += line;
}

}  // namespace VN_Sample
