#include "settings/ntp_servers.h"

#include "common/controller_logs.h"
#include "net_names.h"
#include "schedule/data_sampler.h"
#include "settings/settings_document.h"
#include "shell.h"

namespace VN_Sample {

namespace {

const char* const ServerNames[] = {"Server1", "Server2", "Server3", "Server4"};

bool IsServerAddress(const std::string& text) { return VN_Lib::IsHostName(text) || VN_Lib::IsIpv4Quad(text); }

}  // namespace

bool ReadNtpServers(const TiXmlElement& element, std::array<std::string, 4>* servers) {
    std::array<std::string, 4> read = *servers;
    bool refused = false;
    for (size_t i = 0; i < read.size(); ++i) {
        const TiXmlElement* server = element.FirstChildElement(ServerNames[i]);
        const char* address = server != nullptr ? server->Attribute("address") : nullptr;
        if (address == nullptr) continue;
        if (!IsServerAddress(address)) {
            LogRefusedSetting(ServerNames[i], "address", address);
            refused = true;
        }
        read[i] = address;
    }
    if (refused) return false;
    *servers = read;
    return true;
}

TiXmlElement* DataSampler::GetNtpServers() {
    auto* element = new TiXmlElement("NTP_Servers");
    for (size_t i = 0; i < ntpServers.size(); ++i) {
        auto* server = new TiXmlElement(ServerNames[i]);
        server->SetAttribute("address", ntpServers[i]);
        element->LinkEndChild(server);
    }
    return element;
}

int DataSampler::SetNtpServers(const TiXmlElement* element, bool enable) {
    DebugLog.Write("Set NTP Servers\n");
    if (element != nullptr && !ReadNtpServers(*element, &ntpServers)) return ErrSettingRefused;
    VN_Lib::RunShellCommand("killall ntpd");
    VN_Lib::RunShellCommand("rm /etc/ntp.conf");
    VN_Lib::RunShellCommand("echo driftfile /etc/ntp/drift >> /etc/ntp.conf");
    VN_Lib::RunShellCommand("echo restrict default nomodify noquery notrap >> /etc/ntp.conf");
    VN_Lib::RunShellCommand("echo restrict 127.0.0.1 >> /etc/ntp.conf");
    for (const std::string& server : ntpServers) VN_Lib::RunShellCommand("echo server " + server + " >> /etc/ntp.conf");
    // Shown at once: the caller holds the system lock, and a pause here would
    // hold up the sampler's one-second grid.
    VN_Lib::RunShellCommand("cat /etc/ntp.conf");
    if (enable) {
        DebugLog.Write("Enabled ntpd\n");
        VN_Lib::RunShellCommand("ntpd");
    }
    return 0;
}

}  // namespace VN_Sample
