#include "common/controller_logs.h"
#include "net_names.h"
#include "schedule/data_sampler.h"
#include "settings/settings_document.h"
#include "shell.h"

namespace VN_Sample {

namespace {

bool IsHostNameOrEmpty(const std::string& text) { return text.empty() || VN_Lib::IsHostName(text); }
bool IsAddressOrEmpty(const std::string& text) { return text.empty() || VN_Lib::IsIpv4Quad(text); }

}  // namespace

int DataSampler::GetNetworkSettings(TiXmlDocument& document) {
    SettingsRoot(document)->LinkEndChild(MakeNewNetworkXmlElement());
    return 0;
}

int DataSampler::GetNetworkSettings(std::string& xml) {
    TiXmlDocument document;
    GetNetworkSettings(document);
    xml = SettingsText(document);
    return 0;
}

int DataSampler::SetNetworkSettings(const std::string& xml) {
    TiXmlDocument document;
    ParseSettingsText(xml, document);
    return SetNetworkSettings(document);
}

int DataSampler::SetNetworkSettings(TiXmlDocument& document) {
    TiXmlElement* root = document.RootElement();
    if (root == nullptr) return ErrNoRoot;
    MsgLog.Write("Set network\n");
    const TiXmlElement* network = root->FirstChildElement("Network");
    if (network != nullptr) {
        // All but dhcp_enabled reach a root shell as they stand.
        const struct {
            const char* name;
            std::string DataSampler::*member;
            bool (*accept)(const std::string&);
        } fields[] = {
            {"dhcp_enabled", &DataSampler::dhcpEnabled, IsComparedWord},
            {"dhcp_hostname", &DataSampler::dhcpHostname, IsHostNameOrEmpty},
            {"hostname", &DataSampler::hostname, VN_Lib::IsHostName},
            {"ipaddress", &DataSampler::ipAddress, IsAddressOrEmpty},
            {"netmask", &DataSampler::netmask, IsAddressOrEmpty},
            {"gateway", &DataSampler::gateway, IsAddressOrEmpty},
            {"dns1", &DataSampler::dns1, IsAddressOrEmpty},
            {"dns2", &DataSampler::dns2, IsAddressOrEmpty},
        };
        // Every value is checked before any is kept: half a network change
        // could leave the station unreachable.
        bool refused = false;
        for (const auto& field : fields) {
            const char* value = network->Attribute(field.name);
            if (value != nullptr && !field.accept(value)) {
                LogRefusedSetting("Network", field.name, value);
                refused = true;
            }
        }
        if (refused) return ErrSettingRefused;
        for (const auto& field : fields) {
            if (const char* value = network->Attribute(field.name)) this->*field.member = value;
        }
    }
    return ApplyNetworkSettings();
}

int DataSampler::ApplyNetworkSettings() {
    if (dhcpEnabled == "yes") {
        VN_Lib::RunShellCommand("dhcpcd -k");
        VN_Lib::RunShellCommand("dhcpcd -h " + dhcpHostname);
    } else if (dhcpEnabled == "no") {
        VN_Lib::RunShellCommand("dhcpcd -k");
        VN_Lib::RunShellCommand("/bin/hostname " + hostname);
        if (!ipAddress.empty()) {
            std::string command = "ifconfig eth0 " + ipAddress;
            if (!netmask.empty()) command += " netmask " + netmask;
            VN_Lib::RunShellCommand(command);
        }
    }
    if (!gateway.empty()) VN_Lib::RunShellCommand("route add default gw " + gateway + " metric 1");
    VN_Lib::RunShellCommand("rm /etc/resolv.conf");
    VN_Lib::RunShellCommand("echo nameserver " + dns1 + " >> /etc/resolv.conf");
    VN_Lib::RunShellCommand("echo nameserver " + dns2 + " >> /etc/resolv.conf");
    return 0;
}

TiXmlElement* DataSampler::MakeNewNetworkXmlElement() const {
    auto* element = new TiXmlElement("Network");
    element->SetAttribute("dhcp_enabled", dhcpEnabled);
    element->SetAttribute("dhcp_hostname", dhcpHostname);
    element->SetAttribute("hostname", hostname);
    element->SetAttribute("ipaddress", ipAddress);
    element->SetAttribute("netmask", netmask);
    element->SetAttribute("gateway", gateway);
    element->SetAttribute("dns1", dns1);
    element->SetAttribute("dns2", dns2);
    element->SetAttribute("macaddress", macAddress);
    return element;
}

}  // namespace VN_Sample
