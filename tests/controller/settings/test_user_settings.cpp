// The whole settings document: the elements applied in their order, each on
// its own, and the network and time settings kept across a restart.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/controller_program.h"
#include "common/xml_helper.h"
#include "schedule/data_sampler.h"
#include "settings_station.h"
#include "test_clocks.h"

namespace {

using VN_Sample::DataSampler;
using Commands_T = std::vector<std::string>;

std::string Element(DataSampler& sampler, const char* name) {
    TiXmlDocument document;
    sampler.GetUserSettings(document);
    TiXmlElement* element = document.RootElement()->FirstChildElement(name);
    if (TiXmlElement* now = element->FirstChildElement("CurrentTimeDate")) element->RemoveChild(now);
    return VN_Sample::XmlHelper::GetAsString(element);
}

class UserSettingsTest : public VN_Test::SettingsStation {};

// Network, then time (never the clock from a settings file), then curves,
// with no Sampler element at all.
TEST_F(UserSettingsTest, ElementsAppliedInOrderWithoutSampler) {
    VN_Test::TestClocks clocks(VN_Test::TestClocks::Frozen);
    DataSampler sampler;
    const std::string sampling = Element(sampler, "Sampler");
    MarkJournal();
    ASSERT_EQ(0, sampler.SetUserSettingsXml(
                     "<Settings><Curves interval=\"90\" />"
                     "<TimeSettings timezone=\"2\" ntp_enabled=\"no\"><CurrentTimeDate><Date year=\"2001\" />"
                     "</CurrentTimeDate></TimeSettings>"
                     "<Network dhcp_enabled=\"yes\" dhcp_hostname=\"field-3\" /></Settings>"));
    EXPECT_EQ((Commands_T{"dhcpcd -k", "dhcpcd -h field-3", "rm /etc/resolv.conf", "echo nameserver  >> /etc/resolv.conf",
                          "echo nameserver  >> /etc/resolv.conf",
                          "ln -sf /usr/share/zoneinfo/Etc/GMT+2 /etc/localtime"}),
              Commands());
    EXPECT_NE(std::string::npos, Element(sampler, "Curves").find("interval=\"90\""));
    EXPECT_EQ(sampling, Element(sampler, "Sampler"));

    // A refused element leaves the others applied.
    ASSERT_EQ(0, sampler.SetUserSettingsXml("<Settings><Network hostname=\"$(id)\" /><Curves interval=\"30\" />"
                                            "<TimeSettings timezone=\"-3\" /></Settings>"));
    EXPECT_NE(std::string::npos, Element(sampler, "Curves").find("interval=\"30\""));
    EXPECT_NE(std::string::npos, Element(sampler, "TimeSettings").find("timezone=\"-3\""));
    EXPECT_NE(std::string::npos, Element(sampler, "Network").find("dhcp_hostname=\"field-3\""));

    EXPECT_EQ(DataSampler::ErrNoRoot, sampler.SetUserSettingsXml("<Settings><Curves interval=\"30\">"));
}

TEST_F(UserSettingsTest, TextFormListsTheFourElementsInOrder) {
    DataSampler sampler;
    std::string xml;
    ASSERT_EQ(0, sampler.GetUserSettings(xml));
    TiXmlDocument document;
    document.Parse(xml.c_str());
    ASSERT_FALSE(document.Error()) << xml;
    std::vector<std::string> names;
    for (const TiXmlElement* child = document.RootElement()->FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
        names.push_back(child->Value());
    }
    EXPECT_EQ((std::vector<std::string>{"Sampler", "TimeSettings", "Curves", "Network"}), names);
}

// The controller's settings file keeps the network and time settings for
// the next start.
TEST_F(UserSettingsTest, NetworkAndTimeSettingsSurviveARestart) {
    std::string previous;
    Sampler.GetUserSettings(previous);
    ASSERT_EQ(0, Sampler.SetUserSettingsXml(
                     "<Settings><Network dhcp_enabled=\"no\" hostname=\"station-7\" ipaddress=\"192.168.1.20\" "
                     "netmask=\"255.255.255.0\" gateway=\"192.168.1.1\" dns1=\"10.0.0.53\" dns2=\"\" />"
                     "<TimeSettings timezone=\"-5\" ntp_enabled=\"yes\"><NTP_Servers>"
                     "<Server2 address=\"ntp.example.org\" /></NTP_Servers></TimeSettings></Settings>"));
    ASSERT_EQ(0, SaveUserSettings("settings.xml"));

    DataSampler restarted;
    ASSERT_EQ(0, restarted.SetUserSettings(std::string("settings.xml")));
    const std::string network = Element(restarted, "Network");
    const std::string time = Element(restarted, "TimeSettings");
    Sampler.SetUserSettingsXml(previous);

    EXPECT_NE(std::string::npos, network.find("hostname=\"station-7\" ipaddress=\"192.168.1.20\"")) << network;
    EXPECT_NE(std::string::npos, time.find("timezone=\"-5\" ntp_enabled=\"yes\"")) << time;
    EXPECT_NE(std::string::npos, time.find("<Server2 address=\"ntp.example.org\" />")) << time;
}

}  // namespace
