// The station's network settings: the commands that put them into effect,
// the name server file, and values refused before they reach a root shell.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "schedule/data_sampler.h"
#include "settings_station.h"
#include "vn_sim/station_description.h"

namespace {

using VN_Sample::DataSampler;
using Commands_T = std::vector<std::string>;

const char* const ResolvConf[] = {"rm /etc/resolv.conf", "echo nameserver 10.0.0.53 >> /etc/resolv.conf",
                                  "echo nameserver 10.0.0.54 >> /etc/resolv.conf"};

class NetworkSettingsTest : public VN_Test::SettingsStation {
protected:
    NetworkSettingsTest() {
        EXPECT_EQ(0, sampler.SetNetworkSettings(
                         "<Settings><Network dhcp_enabled=\"no\" dhcp_hostname=\"\" hostname=\"station-7\" "
                         "ipaddress=\"192.168.1.20\" netmask=\"255.255.255.0\" gateway=\"192.168.1.1\" "
                         "dns1=\"10.0.0.53\" dns2=\"10.0.0.54\" /></Settings>"));
        MarkJournal();
    }

    std::string Network() {
        std::string xml;
        sampler.GetNetworkSettings(xml);
        return xml;
    }

    DataSampler sampler;
};

TEST_F(NetworkSettingsTest, CommandsOfEachDhcpChoice) {
    const struct {
        const char* change;
        Commands_T commands;
    } cases[] = {
        {"dhcp_enabled=\"no\"",
         {"dhcpcd -k", "/bin/hostname station-7", "ifconfig eth0 192.168.1.20 netmask 255.255.255.0",
          "route add default gw 192.168.1.1 metric 1"}},
        {"dhcp_enabled=\"no\" netmask=\"\"",
         {"dhcpcd -k", "/bin/hostname station-7", "ifconfig eth0 192.168.1.20", "route add default gw 192.168.1.1 metric 1"}},
        {"dhcp_enabled=\"no\" ipaddress=\"\" gateway=\"\"", {"dhcpcd -k", "/bin/hostname station-7"}},
        {"dhcp_enabled=\"yes\" dhcp_hostname=\"field-3\"",
         {"dhcpcd -k", "dhcpcd -h field-3", "route add default gw 192.168.1.1 metric 1"}},
        {"dhcp_enabled=\"maybe\"", {"route add default gw 192.168.1.1 metric 1"}},
    };
    for (const auto& each : cases) {
        DataSampler fresh;
        ASSERT_EQ(0, fresh.SetNetworkSettings(
                         "<Settings><Network hostname=\"station-7\" ipaddress=\"192.168.1.20\" netmask=\"255.255.255.0\" "
                         "gateway=\"192.168.1.1\" dns1=\"10.0.0.53\" dns2=\"10.0.0.54\" /></Settings>"));
        MarkJournal();
        ASSERT_EQ(0, fresh.SetNetworkSettings(std::string("<Settings><Network ") + each.change + " /></Settings>"));
        Commands_T expected = each.commands;
        expected.insert(expected.end(), std::begin(ResolvConf), std::end(ResolvConf));
        EXPECT_EQ(expected, Commands()) << each.change;
    }
}

TEST_F(NetworkSettingsTest, NameServerFileWrittenWithOrWithoutAddresses) {
    EXPECT_EQ("nameserver 10.0.0.53\nnameserver 10.0.0.54\n", VN_Test::ReadFile(dir.File("etc/resolv.conf")));
    // Without a Network element the settings as they stand are applied again.
    ASSERT_EQ(0, sampler.SetNetworkSettings("<Settings />"));
    EXPECT_EQ("nameserver 10.0.0.53\nnameserver 10.0.0.54\n", VN_Test::ReadFile(dir.File("etc/resolv.conf")));

    ASSERT_EQ(0, sampler.SetNetworkSettings("<Settings><Network dns1=\"\" dns2=\"\" /></Settings>"));
    EXPECT_EQ("nameserver\nnameserver\n", VN_Test::ReadFile(dir.File("etc/resolv.conf")));
}

// Shell syntax, host names that are not, addresses out of range or with
// leading zeros (read as octal by ifconfig), an empty host name, and a long
// compared word: the whole element is refused, nothing runs.
TEST_F(NetworkSettingsTest, RefusedValueChangesNothingAndRunsNothing) {
    const std::string before = Network();
    const std::string label64(64, 'a');
    for (const std::string& attributes : std::vector<std::string>{
             "ipaddress=\"1.2.3.4; reboot\"",
             "hostname=\"$(id)\"",
             "dhcp_hostname=\"a..b\"",
             "hostname=\"" + label64 + "\"",
             "hostname=\"\"",
             "dns1=\"256.1.1.1\"",
             "dns2=\"10.0.0.054\"",
             "netmask=\"255.255.255.0 up\"",
             "gateway=\"1.2.3.4&#10;reboot\"",
             "dhcp_enabled=\"no-no-no-no-no-no\"",
             // A valid value beside a refused one is not kept either.
             "hostname=\"good-name\" ipaddress=\"`reboot`\"",
         }) {
        MarkJournal();
        EXPECT_EQ(DataSampler::ErrSettingRefused,
                  sampler.SetNetworkSettings("<Settings><Network " + attributes + " /></Settings>"))
            << attributes;
        EXPECT_EQ(Commands_T(), Commands()) << attributes;
        EXPECT_EQ(before, Network()) << attributes;
    }
    // The longest host name labels are fine.
    const std::string label63(63, 'b');
    ASSERT_EQ(0, sampler.SetNetworkSettings("<Settings><Network hostname=\"" + label63 + ".example\" /></Settings>"));
    EXPECT_NE(std::string::npos, Network().find("hostname=\"" + label63 + ".example\""));
}

TEST_F(NetworkSettingsTest, RefusalLogsOnlyAShortBlankedPiece) {
    ErrMsgLog.Enable();
    const std::string value = "1.2.3.4\n" + std::string(500, 'x');
    testing::internal::CaptureStdout();
    sampler.SetNetworkSettings("<Settings><Network dns1=\"1.2.3.4&#10;" + std::string(500, 'x') + "\" /></Settings>");
    const std::string logged = testing::internal::GetCapturedStdout();
    ErrMsgLog.Disable();
    EXPECT_NE(std::string::npos, logged.find("dns1")) << logged;
    EXPECT_EQ(logged.size() - 1, logged.find('\n')) << logged;
    EXPECT_LT(logged.size(), 120u) << logged;
}

// The hardware address is read when a sampler is built, from the interface
// the station names, and is only ever written.
TEST_F(NetworkSettingsTest, TextFormsAndTheHardwareAddress) {
    VN_Sim::StationDescription& description = VN_Sim::StationDescription::Instance();
    const std::string interface = description.NetworkInterface();
    description.SetNetworkInterface("vn-missing0");
    DataSampler missing;
    description.SetNetworkInterface("lo");
    DataSampler loopback;
    description.SetNetworkInterface(interface);

    std::string xml;
    ASSERT_EQ(0, missing.GetNetworkSettings(xml));
    EXPECT_NE(std::string::npos, xml.find(" macaddress=\"unknown\"")) << xml;
    ASSERT_EQ(0, loopback.SetNetworkSettings(
                     "<Settings><Network hostname=\"station-7\" ipaddress=\"192.168.1.20\" "
                     "macaddress=\"12:34:56:78:9A:BC\" /></Settings>"));
    ASSERT_EQ(0, loopback.GetNetworkSettings(xml));
    EXPECT_EQ("<Settings>\n    <Network dhcp_enabled=\"no\" dhcp_hostname=\"\" hostname=\"station-7\" "
              "ipaddress=\"192.168.1.20\" netmask=\"\" gateway=\"\" dns1=\"\" dns2=\"\" "
              "macaddress=\"00:00:00:00:00:00\" />\n</Settings>\n",
              xml);

    // Text that does not parse is a document without root.
    MarkJournal();
    EXPECT_EQ(DataSampler::ErrNoRoot, loopback.SetNetworkSettings("<Settings><Network hostname=\"x\""));
    EXPECT_EQ(Commands_T(), Commands());
}

}  // namespace
