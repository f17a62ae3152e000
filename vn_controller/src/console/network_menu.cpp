#include <mutex>

#include "common/controller_flags.h"
#include "common/controller_mutexes.h"
#include "common/main_loop_wake.h"
#include "console/interface.h"

namespace VN_Sample {

namespace {

// The "Network" attributes in the order of the console's fields; the MAC
// address, last, is shown but never written back.
const char* const NetworkNames[] = {"dhcp_enabled", "dhcp_hostname", "hostname", "ipaddress", "netmask",
                                    "gateway",      "dns1",          "dns2",     "macaddress"};
const size_t WrittenBack = 8;

const char* const NetworkLabels[] = {"DHCP Enabled   :  ", "DHCP Host Name :  ", "Host Name      :  ",
                                     "IP Address     :  ", "Subnet Mask    :  ", "Gateway Address:  ",
                                     "DNS1 Address   :  ", "DNS2 Address   :  ", "MAC  Address   :  "};

// The sampler's live values; the caller holds systemMutex.
std::array<std::string, 9> LiveValues(DataSampler& sampler) {
    TiXmlDocument document;
    sampler.GetNetworkSettings(document);
    std::array<std::string, 9> values;
    const TiXmlElement* network = document.RootElement()->FirstChildElement("Network");
    for (size_t i = 0; i < values.size(); ++i) {
        const char* value = network->Attribute(NetworkNames[i]);
        if (value != nullptr) values[i] = value;
    }
    return values;
}

}  // namespace

void interface::NetworkSetup() {
    GetNetworkSettings();
    while (!Ended()) {
        ShowTemporaryNetworkSettings();
        Write("\n1) Set IP Address\n"
              "2) Set subnet mask\n"
              "3) Set gateway address\n"
              "4) Set DNS 1\n"
              "5) Set DSN 2\n"
              "6) Save changes\n"
              "7) Exit\n");
        switch (Selection()) {
            case 1: SetIpAddress(); break;
            case 2: SetSubnetMask(); break;
            case 3: SetGatewayAddress(); break;
            case 4: SetDns1(); break;
            case 5: SetDns2(); break;
            case 6:
                // A refused copy stays on screen, so the wrong value can be put right.
                if (SaveNetworkSettings() == 0) GetNetworkSettings();
                break;
            case 7: return;
            default: break;
        }
    }
}

void interface::GetNetworkSettings() {
    std::array<std::string, 9> values;
    {
        std::lock_guard<std::mutex> lock(systemMutex);
        values = LiveValues(sampler);
    }
    std::string* fields[] = {&dhcp_enabled, &dhcp_hostname, &hostname, &ipaddress, &netmask,
                             &gateway,      &dns1,          &dns2,     &macaddress};
    for (size_t i = 0; i < values.size(); ++i) *fields[i] = values[i];
}

int interface::SaveNetworkSettings() {
    const std::string* fields[] = {&dhcp_enabled, &dhcp_hostname, &hostname, &ipaddress,
                                   &netmask,      &gateway,       &dns1,     &dns2};
    TiXmlDocument document;
    auto* root = new TiXmlElement("Settings");
    document.LinkEndChild(root);
    auto* network = new TiXmlElement("Network");
    root->LinkEndChild(network);
    for (size_t i = 0; i < WrittenBack; ++i) network->SetAttribute(NetworkNames[i], *fields[i]);

    int result = 0;
    {
        // The sampler's own checks (the web's too): the values reach a root shell.
        std::lock_guard<std::mutex> lock(systemMutex);
        result = sampler.SetNetworkSettings(document);
        if (result == 0) SaveUserSettingsFlag = true;
    }
    if (result == 0) WakeMainLoop();
    if (result != 0) {
        Write("Network settings NOT saved: an address must be four numbers 0-255 joined by dots\n"
              "(or nothing), a host name letters, digits and '-'.\n");
    }
    return result;
}

void interface::ShowTemporaryNetworkSettings() {
    ShowNetworkSettings({dhcp_enabled, dhcp_hostname, hostname, ipaddress, netmask, gateway, dns1, dns2, macaddress});
}

void interface::ShowSystemNetworkSettings() {
    std::array<std::string, 9> values;
    {
        std::lock_guard<std::mutex> lock(systemMutex);
        values = LiveValues(sampler);
    }
    ShowNetworkSettings(values);
}

void interface::ShowNetworkSettings(const std::array<std::string, 9>& values) {
    std::string text = "\n---NETWORK SETTINGS---\n";
    for (size_t i = 0; i < values.size(); ++i) text += NetworkLabels[i] + values[i] + "\n";
    Write(text);
}

void interface::SetIpAddress() { AskInto("Enter IP address (ex. \"192.168.0.13\")>  ", &ipaddress); }
void interface::SetSubnetMask() { AskInto("Enter Subnet Mask (ex. \"255.255.255.0\")>  ", &netmask); }
void interface::SetGatewayAddress() { AskInto("Enter Gateway Address (ex. \"192.168.0.1\")>  ", &gateway); }
void interface::SetDns1() { AskInto("Enter DNS 1 Address (ex. \"203.167.75.2\")>  ", &dns1); }
void interface::SetDns2() { AskInto("Enter DNS 2 Address (ex. \"203.167.75.3\")>  ", &dns2); }

}  // namespace VN_Sample
