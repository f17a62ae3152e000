#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/data_system.h"
#include "common/software_version.h"
#include "common/xml_helper.h"
#include "instruction_spy.h"
#include "test_support.h"
#include "vn_sim/can/can_chip.h"
#include "vn_sim/can/can_wire.h"
#include "vn_sim/card/analog_card.h"
#include "vn_sim/port_space.h"
#include "vn_sim/station_description.h"

using VN_Sample::DataSource;
using VN_Sample::DataSystem;
using VN_Sample::ModuleChannel;

namespace {

const uint8_t ChipResetInstruction = 0xC0;

// A unit behind an in-process link: it describes itself on command 11,
// answers every other command with success and no fields, and counts the
// requests by command code.
class ScriptedUnit : public VN_Lib::CommandControl {
public:
    ScriptedUnit(std::map<int, int>* counts, std::string* last)
        : CommandControl(LinkNone), requests(counts), lastRequest(last) {}

    int OpenPort() override {
        descriptor = 1;
        return 0;
    }
    int SendData(int, const char*, int) override { return 0; }
    int GetData(int, char*, int* count) override {
        *count = 0;
        return 0;
    }
    int EmptyInputBuffer() override { return 0; }

    int ReadFrame(VN_Lib::DataFrame& frame, int) override {
        // The request frame holds its 2-byte length, then the request text.
        *lastRequest = requestFrame.Data() + 2;
        const int code = std::atoi(lastRequest->c_str());
        ++(*requests)[code];
        frame.Clear();
        frame.AddByte(static_cast<char>(code));
        frame.AddShort(0);
        if (code == CmdReadConfiguration) AddDescription(frame);
        return 0;
    }

private:
    static void AddDescription(VN_Lib::DataFrame& frame) {
        frame.AddInt(2);
        for (const char* text : {"5.11", "SN-7", "01/02/2020", "VN5"}) frame.AddString(text);
        frame.AddInt(1);  // aux inputs
        frame.AddInt(1);
        frame.AddInt(1);  // temperatures, with their thermocouple types
        frame.AddInt(3);
        frame.AddString("K");
        frame.AddInt(2);  // modules
        frame.AddInt(1);
        frame.AddInt(2);
    }

    std::map<int, int>* requests;
    std::string* lastRequest;
};

// Whether text has the shape of pattern, where '#' stands for any digit.
bool HasShape(const std::string& text, const std::string& pattern) {
    if (text.size() != pattern.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (pattern[i] == '#' ? !digit : text[i] != pattern[i]) return false;
    }
    return true;
}

class DataSystemConfig : public ::testing::Test {
protected:
    // A source that has a scripted unit behind it and is online.
    DataSource& AddScriptedSource(int id) {
        DataSource& source = system.dataSources[id];
        source.SetPort(new ScriptedUnit(&requests[id], &lastRequest));
        EXPECT_EQ(0, source.Initialize());
        return source;
    }

    int ApplySystemConfiguration(const std::string& text) {
        TiXmlDocument document;
        document.Parse(text.c_str());
        return system.SetSystemConfiguration(document);
    }

    int ApplyChannelConfiguration(const std::string& text) {
        TiXmlDocument document;
        document.Parse(text.c_str());
        return system.SetChannelConfiguration(document);
    }

    // Declared before the system, whose links write to them.
    std::map<int, std::map<int, int>> requests;
    std::string lastRequest;
    DataSystem system;
};

TEST_F(DataSystemConfig, ChannelIdCombinesSourceAndLocalId) {
    EXPECT_EQ(107, DataSystem::GetChannelId(1, 7));
    EXPECT_EQ(99, DataSystem::GetChannelId(0, 99));
    EXPECT_EQ(-1, DataSystem::GetChannelId(0, 100));
    EXPECT_EQ(-1, DataSystem::GetChannelId(-1, 5));
    EXPECT_EQ(-1, DataSystem::GetChannelId(0, 0));
    EXPECT_EQ(-1, DataSystem::GetChannelId(2000000000, 1));
}

TEST_F(DataSystemConfig, SourcesWithoutUsableLinkStayOffline) {
    const std::string usb = "<DataSource id='1' port_type='USB'/>";
    EXPECT_EQ(DataSystem::ErrUnsupportedPort,
              ApplySystemConfiguration("<System><DataSources>" + usb + "</DataSources></System>"));
    ASSERT_EQ(1u, system.dataSources.count(1));
    EXPECT_EQ(nullptr, system.dataSources[1].Port());
    EXPECT_FALSE(system.dataSources[1].Online());

    // A later element that gets a link decides the result; a CAN source
    // without an adapter address gets none, nor does a negative or missing id
    // get an entry. The serial port has no device here, so that source fails
    // its first exchange and goes offline.
    EXPECT_EQ(0, ApplySystemConfiguration("<System><DataSources>"
                                          "<DataSource id='1' port_type='USB'/>"
                                          "<DataSource id='2' port_type='CAN' can_id='0'/>"
                                          "<DataSource id='-4' port_type='COM'/><DataSource port_type='COM'/>"
                                          "<DataSource id='3' port_type='COM' com_id='2' baud='9600'/>"
                                          "<DataSource id='4' port_type='CAN' can_id='0' can_address='3f0'/>"
                                          "<DataSource id='5' port_type='CAN' can_id='7' can_address='3f0'/>"
                                          "</DataSources></System>"));
    EXPECT_EQ(nullptr, system.dataSources[2].Port());
    ASSERT_NE(nullptr, system.dataSources[3].Port());
    EXPECT_EQ(VN_Lib::CommandControl::LinkSerial, system.dataSources[3].Port()->LinkKind());
    EXPECT_FALSE(system.dataSources[3].Online());
    ASSERT_NE(nullptr, system.dataSources[4].Port());
    EXPECT_EQ(VN_Lib::CommandControl::LinkCan, system.dataSources[4].Port()->LinkKind());
    EXPECT_FALSE(system.dataSources[4].Online());
    // A bus id the card does not have: the description cannot be read.
    EXPECT_FALSE(system.dataSources[5].Online());
    EXPECT_EQ(5u, system.dataSources.size());
}

// Re-applying the configuration (a reset request) keeps the CAN links'
// adapter card and bus: no second card object, no second chip reset under
// a bus in use.
TEST_F(DataSystemConfig, ReappliedCanSourceKeepsItsBusAndChip) {
    VN_Test::TempDir dir;
    VN_Sim::AnalogCardConfig_T config;
    config.baseAddress = 0x3e0;
    config.eepromPath = dir.File("eeprom.bin");
    auto card = std::make_shared<VN_Sim::AnalogCard>(config);
    auto spy = std::make_shared<VN_Test::InstructionSpy>(
        std::make_shared<VN_Sim::CanChip>(std::make_shared<VN_Sim::CanWire>("bus", "")));
    card->AttachSpiDevice(0, spy);
    VN_Sim::PortSpace::Instance().Map(config.baseAddress, VN_Sim::AnalogCard::PortCount, card);
    const auto resets = [&] {
        const std::vector<uint8_t> sent = spy->Instructions();
        return std::count(sent.begin(), sent.end(), ChipResetInstruction);
    };

    const std::string configuration = "<System><DataSources>"
                                      "<DataSource id='1' port_type='CAN' can_id='0' can_address='3e0'/>"
                                      "</DataSources></System>";
    EXPECT_EQ(0, ApplySystemConfiguration(configuration));
    const auto first = resets();
    EXPECT_GE(first, 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(0, ApplySystemConfiguration(configuration));
    EXPECT_EQ(first, resets());
    ASSERT_NE(nullptr, system.dataSources[1].Port());
    EXPECT_EQ(VN_Lib::CommandControl::LinkCan, system.dataSources[1].Port()->LinkKind());

    // The links go before the buses and cards they use.
    system.dataSources.clear();
    VN_Sim::PortSpace::Instance().UnmapAll();
}

TEST_F(DataSystemConfig, LocalSourceWithoutRunningUnitStaysOffline) {
    VN_Sim::StationDescription& station = VN_Sim::StationDescription::Instance();
    const int previousPort = station.UnitPort();
    station.SetUnitPort(VN_Test::FreeTcpPort());
    const std::string configuration =
        "<System version='1'><GeneralSettings><OffLineReset interval='45'/></GeneralSettings>"
        "<Leds><Led id='0' bit='1' io_address='30c'/><Led id='-1' bit='2' io_address='30c'/>"
        "<Led id='2' bit='3'/><Led id='3' bit='3' io_address='zz'/></Leds>"
        "<DataSources><DataSource id='0' port_type='local' led='0'/></DataSources></System>";
    EXPECT_EQ(0, ApplySystemConfiguration(configuration));
    // Applied again, the entry is kept and linked anew.
    EXPECT_EQ(0, ApplySystemConfiguration(configuration));
    station.SetUnitPort(previousPort);

    EXPECT_EQ(45, system.offlineRetryInterval);
    EXPECT_EQ(1u, system.leds.count(0));
    EXPECT_EQ(0u, system.leds.count(2) + system.leds.count(3));
    ASSERT_EQ(1u, system.dataSources.size());
    DataSource& source = system.dataSources[0];
    ASSERT_NE(nullptr, source.Port());
    EXPECT_EQ(VN_Lib::CommandControl::LinkSocket, source.Port()->LinkKind());
    EXPECT_FALSE(source.Online());
    EXPECT_FALSE(source.Active());
}

TEST_F(DataSystemConfig, ConfigurationDocumentsThatCannotBeRead) {
    EXPECT_EQ(DataSystem::ErrConfigFile, system.SetChannelConfiguration("/nonexistent/chan_config.xml"));
    EXPECT_EQ(DataSystem::ErrSettingsFile, system.SetUserSettings("/nonexistent/settings.xml"));
    TiXmlDocument empty;
    EXPECT_EQ(DataSystem::ErrNoRoot, system.SetSystemConfiguration(empty));
    EXPECT_EQ(DataSystem::ErrNoRoot, system.SetModuleChannelSettings(std::string("<Settings>")));
}

TEST_F(DataSystemConfig, ChannelsNeedAKnownSource) {
    system.dataSources[0];
    system.dataSources[1];
    const std::string configuration =
        "<System_Config><ModuleChannels>"
        "<Channel id='1' data_source='0'/><Channel id='5' data_source='1'/><Channel id='1' data_source='3'/>"
        "<Channel id='0' data_source='0'/><Channel id='1' data_source='0'/></ModuleChannels>"
        "<AuxInputs><AuxInput id='1' data_source='0'/><AuxInput id='1' data_source='3'/></AuxInputs>"
        "<Temperatures><Temperature id='2' data_source='1'/></Temperatures></System_Config>";
    ASSERT_EQ(0, ApplyChannelConfiguration(configuration));
    ASSERT_EQ(2u, system.moduleChannels.size());
    EXPECT_EQ(1, system.moduleChannels.at(105).dataSourceId);
    EXPECT_EQ(5, system.moduleChannels.at(105).localId);
    EXPECT_EQ(1u, system.moduleChannels.count(1));
    EXPECT_EQ(1u, system.auxInputChannels.size());
    EXPECT_EQ(1u, system.temperatureChannels.count(102));
    EXPECT_EQ(0u, system.dataSources.count(3));
    EXPECT_TRUE(system.dataSources[0].Active());
    EXPECT_TRUE(system.dataSources[1].Active());

    // Applied again, the channels start over from their defaults.
    system.moduleChannels.at(1).curveEnabled = true;
    ASSERT_EQ(0, ApplyChannelConfiguration(configuration));
    EXPECT_FALSE(system.moduleChannels.at(1).curveEnabled);
}

TEST_F(DataSystemConfig, OnlyChangedLoadSettingsReachTheUnit) {
    AddScriptedSource(0);
    ASSERT_EQ(0, ApplyChannelConfiguration("<C><ModuleChannels><Channel id='1' data_source='0'/>"
                                           "<Channel id='2' data_source='0'/></ModuleChannels></C>"));
    auto apply = [&](const std::string& attributes) {
        return system.SetModuleChannelSettings("<Settings><ModuleChannels><Channel id='1' " + attributes +
                                               "/><Channel id='7' track_mode='1'/></ModuleChannels></Settings>");
    };
    int& loadRequests = requests[0][CmdSetLoadControlParameters];
    const std::string stored = "fixed_voltage='3.000000E+01' average_usec='200' ptrack_vmin='0.4' ptrack_vstep='0.1'";

    ASSERT_EQ(0, apply("track_mode='2' " + stored));
    EXPECT_EQ(1, loadRequests);
    EXPECT_EQ(0, apply(stored + " aperture_area='2.5' enable_curve='yes'"));
    EXPECT_EQ(1, loadRequests);
    EXPECT_EQ(2.5, system.moduleChannels.at(1).apertureArea);
    EXPECT_TRUE(system.moduleChannels.at(1).curveEnabled);

    // Refused or unreadable values change nothing and send nothing.
    EXPECT_EQ(0, apply("ptrack_vstep='0.5' average_usec='abc' fixed_voltage='nan'"));
    EXPECT_EQ(1, loadRequests);
    EXPECT_DOUBLE_EQ(0.1, system.moduleChannels.at(1).loadConfiguration.ptrackVstep);
    EXPECT_EQ(30.0, system.moduleChannels.at(1).loadConfiguration.fixedVoltage);

    EXPECT_EQ(0, apply("fixed_voltage='31'"));
    EXPECT_EQ(2, loadRequests);
    EXPECT_EQ(0u, lastRequest.find("42,1,"));
    EXPECT_NE(std::string::npos, lastRequest.find(",31.000000,"));
}

TEST_F(DataSystemConfig, BadListAndProfileEntriesAreSkipped) {
    ModuleChannel& channel = system.moduleChannels[101];
    channel.temperatureIds = {4};
    channel.auxInputIds = {5};
    ASSERT_EQ(0, system.SetModuleChannelSettings(
                     "<Settings><ModuleChannels><Channel id='101'>"
                     "<Irradiances><Irradiance id='5' index='2'/><Irradiance id='6' index='49'/>"
                     "<Irradiance id='7' index='-1'/><Irradiance index='1'/><Irradiance id='8' index='0'/>"
                     "</Irradiances><AuxInputs/>"
                     "<VoltageProfile><Entry voltage='12' hour='6' min='0' sec='0'/>"
                     "<Entry voltage='5' hour='-1' min='0' sec='0'/><Entry hour='7' min='0' sec='0'/>"
                     "<Entry voltage='5' hour='8' sec='0'/><Entry voltage='nan' hour='9' min='0' sec='0'/>"
                     "<Entry voltage='0' hour='18' min='30' sec='15'/></VoltageProfile>"
                     "</Channel></ModuleChannels></Settings>"));
    EXPECT_EQ((std::vector<int>{8, -1, 5}), channel.irradianceIds);
    EXPECT_EQ(std::vector<int>{4}, channel.temperatureIds);
    EXPECT_TRUE(channel.auxInputIds.empty());
    ASSERT_EQ(2u, channel.voltageProfile.size());
    EXPECT_EQ(6 * 3600, channel.voltageProfile[0].startTime);
    EXPECT_EQ(12.0, channel.voltageProfile[0].voltage);
    EXPECT_EQ(18 * 3600 + 30 * 60 + 15, channel.voltageProfile[1].startTime);
}

TEST_F(DataSystemConfig, SettingsRoundTrip) {
    auto configure = [](DataSystem& target) {
        target.moduleChannels[1];
        target.moduleChannels[102];
        target.auxInputChannels[3];
        target.temperatureChannels[104];
    };
    configure(system);
    ModuleChannel& channel = system.moduleChannels.at(102);
    channel.sample.name = "Module \"A\" <&>";
    channel.curve.Site = "Roof";
    channel.curve.Sub_System = "East";
    channel.loadConfiguration = {3, 12.5, 500, 0.3, 0.05};
    channel.curveEnabled = true;
    channel.totalArea = 1.75;
    channel.irradianceIds = {3, -1, 3};
    channel.temperatureIds = {104};
    channel.voltageProfile = {{3600, 10.0}, {7322, 0.0}};
    system.auxInputChannels.at(3).convertedReference = 1000.0;
    system.auxInputChannels.at(3).sample.units = "W/m2";
    system.temperatureChannels.at(104).sample.name = "Back of module";
    system.SetGlobalCurveMode(VN_Sample::CurvesEnabled);

    auto settingsText = [](DataSystem& source) {
        TiXmlDocument document;
        document.LinkEndChild(new TiXmlElement("Settings"));
        EXPECT_EQ(0, source.GetUserSettings(document));
        return VN_Sample::XmlHelper::GetAsString(&document);
    };
    const std::string text = settingsText(system);

    DataSystem fresh;
    configure(fresh);
    TiXmlDocument document;
    document.Parse(text.c_str());
    ASSERT_EQ(0, fresh.SetUserSettings(document));
    EXPECT_EQ(text, settingsText(fresh));
    EXPECT_EQ("Module \"A\" <&>", fresh.moduleChannels.at(102).curve.Name);
}

TEST_F(DataSystemConfig, LearnWritesChannelConfigurationAndBacksItUp) {
    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir inDir(dir.Path());
    AddScriptedSource(0);
    // Offline, but its unit answers once tried again.
    system.dataSources[1].SetPort(new ScriptedUnit(&requests[1], &lastRequest));
    system.dataSources[2];  // no link at all

    TiXmlDocument learned;
    ASSERT_EQ(0, system.LearnChannelConfiguration("chan_config.xml", learned));
    EXPECT_FALSE(system.dataSources[2].Active());
    EXPECT_FALSE(VN_Test::FileExists(dir.File("chan_config.xml.new")));

    const std::string text = VN_Test::ReadFile(dir.File("chan_config.xml"));
    EXPECT_EQ(0u, text.find("<?xml version=\"1.0\""));
    TiXmlDocument saved;
    saved.Parse(text.c_str());
    TiXmlElement* root = saved.RootElement();
    ASSERT_NE(nullptr, root);
    EXPECT_STREQ("System_Config", root->Value());
    EXPECT_TRUE(HasShape(root->Attribute("date"), "##-##-####"));
    std::vector<std::string> sections;
    for (TiXmlElement* section = root->FirstChildElement(); section; section = section->NextSiblingElement()) {
        sections.push_back(section->Value());
    }
    EXPECT_EQ((std::vector<std::string>{"ModuleChannels", "AuxInputs", "Temperatures"}), sections);

    ASSERT_EQ(0, system.SetChannelConfiguration("chan_config.xml"));
    EXPECT_EQ((std::vector<int>{1, 2, 101, 102}), [&] {
        std::vector<int> ids;
        for (const auto& entry : system.moduleChannels) ids.push_back(entry.first);
        return ids;
    }());
    EXPECT_EQ(2u, system.auxInputChannels.size());
    EXPECT_EQ(1u, system.temperatureChannels.count(103));

    const std::string journal = VN_Test::ReadFile(dir.File("shell_journal.log"));
    const size_t mkdir = journal.find("mkdir /hda2 > /dev/null 2> /dev/null");
    const size_t mount = journal.find("mount /dev/hda2 /hda2 > /dev/null 2> /dev/null");
    const size_t copy = journal.find("cp -a chan_config.xml /hda2/vn/chan_config.xml > /dev/null 2> /dev/null");
    const size_t umount = journal.find("umount /hda2 > /dev/null 2> /dev/null");
    ASSERT_NE(std::string::npos, umount);
    EXPECT_TRUE(mkdir < mount && mount < copy && copy < umount);
}

TEST_F(DataSystemConfig, FailedLearnWriteKeepsThePreviousFile) {
    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir inDir(dir.Path());
    VN_Test::WriteFile(dir.File("chan_config.xml"), "<System_Config/>\n");
    // The new file cannot be created where a directory stands.
    ASSERT_EQ(0, mkdir(dir.File("chan_config.xml.new").c_str(), 0755));
    AddScriptedSource(0);

    TiXmlDocument learned;
    EXPECT_EQ(DataSystem::ErrWriteChannelConfig, system.LearnChannelConfiguration("chan_config.xml", learned));
    EXPECT_EQ("<System_Config/>\n", VN_Test::ReadFile(dir.File("chan_config.xml")));
    EXPECT_EQ(std::string::npos, VN_Test::ReadFile(dir.File("shell_journal.log")).find("cp -a"));
}

TEST_F(DataSystemConfig, AboutTextListsActiveSources) {
    SoftwareVersion = "5.12";
    AddScriptedSource(0).SetActiveState(true);
    AddScriptedSource(3).SetActiveState(true);
    AddScriptedSource(4);
    std::string unit;
    system.dataSources[3].ConfigurationString(unit);
    std::string text;
    system.GetAboutAsString(text);
    EXPECT_EQ("Vantrel System\n\nController Software Version 5.12\n\n----Data Source Controller----\n" + unit +
                  "\n\n----Data Source Load 3----\n" + unit,
              text);
}

TEST_F(DataSystemConfig, CalibrationGoesToTheChannelsUnit) {
    AddScriptedSource(0);
    AddScriptedSource(1);
    system.moduleChannels[3].dataSourceId = 0;
    system.moduleChannels[3].localId = 3;
    system.moduleChannels[104].dataSourceId = 5;
    system.dataSources[0].SetActiveState(true);

    VN_Lib::CalReportRecord record;
    EXPECT_EQ(DataSystem::ErrUnknownModule, system.CalibrateModuleVoltage(9, record));
    EXPECT_EQ(DataSystem::ErrNoDataSource, system.CalibrateModuleCurrent(104, record));
    EXPECT_EQ(DataSystem::ErrUnknownAuxInput, system.CalibrateAuxInput(9, record));
    ASSERT_EQ(0, system.CalibrateModuleVoltage(3, record));
    EXPECT_EQ(VN_Lib::CAL_MODULE_VOLTAGE, record.type);
    EXPECT_EQ(3, record.local_id);
    EXPECT_EQ(1u, system.dataSources[0].calibrationReport.module_voltages.count(3));

    // Only the online and active source is asked to save.
    EXPECT_EQ(0, system.SaveCalibration(VN_Lib::CAL_MODULE_VOLTAGE));
    EXPECT_EQ(1, requests[0][CmdSaveCalibration]);
    EXPECT_EQ(0, requests[1][CmdSaveCalibration]);
    EXPECT_TRUE(HasShape(lastRequest, "202,10,##/##/####"));

    std::string text;
    system.GetCalReportsText(text);
    EXPECT_EQ(0u, text.find("Vantrel System Calibration Report\nData Source\tController 0\n"));
    std::unique_ptr<TiXmlElement> reports(system.MakeNewCalReportsXml());
    ASSERT_NE(nullptr, reports->FirstChildElement("CalReport"));
    EXPECT_EQ(nullptr, reports->FirstChildElement("CalReport")->NextSiblingElement());
}

}  // namespace
