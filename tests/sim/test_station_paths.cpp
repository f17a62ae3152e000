#include <gtest/gtest.h>

#include <string>

#include "platform.h"
#include "station_paths.h"
#include "test_support.h"
#include "vn_sim/station_description.h"

namespace {

using VN_Lib::StationPath;

class StationPathsTest : public ::testing::Test {
protected:
    void TearDown() override { VN_Sim::StationDescription::Instance().Reset(); }
    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir cwd{dir.Path()};
};

TEST_F(StationPathsTest, StationFoldersMapIntoTheWorkingDirectory) {
    const std::string& root = dir.Path();
    EXPECT_EQ(StationPath("/vn"), root);
    EXPECT_EQ(StationPath("/vn/settings.xml"), root + "/settings.xml");
    EXPECT_EQ(StationPath("/vn/cal_files/"), root + "/cal_files/");
    EXPECT_EQ(StationPath("/hda2/vn/HOSTNAME"), root + "/hda2/vn/HOSTNAME");
    EXPECT_EQ(StationPath("/data/vnd/vn01012026.vnd"), root + "/data/vnd/vn01012026.vnd");
    EXPECT_EQ(StationPath("/etc/ntp.conf"), root + "/etc/ntp.conf");
    EXPECT_EQ(StationPath("/data"), root + "/data");
}

TEST_F(StationPathsTest, OtherPathsStayAsWrittenAndNothingEscapes) {
    EXPECT_EQ(StationPath("/vnx/file"), "/vnx/file");
    EXPECT_EQ(StationPath("/database"), "/database");
    EXPECT_EQ(StationPath("/usr/share/zoneinfo/Etc/GMT+1"), "/usr/share/zoneinfo/Etc/GMT+1");
    EXPECT_EQ(StationPath("settings.xml"), "settings.xml");
    EXPECT_EQ(StationPath(""), "");
    // ".." is resolved before mapping: it can reach another station folder,
    // never the machine's own files.
    EXPECT_EQ(StationPath("/vn/../etc/shadow"), dir.Path() + "/etc/shadow");
    EXPECT_EQ(StationPath("/vn/../../tmp/x").find(dir.Path()), std::string::npos);
    EXPECT_EQ(StationPath("/hda2/../../x"), "/hda2/../../x");
}

TEST_F(StationPathsTest, SerialDevicesComeFromTheDescription) {
    VN_Test::WriteFile(dir.File("sim_station.xml"),
                       "<SimStation><Serial com1=\"/dev/pts/7\" /></SimStation>");
    ASSERT_EQ(VN_Lib::InitPlatform("vn_firmware"), 0);
    EXPECT_EQ(StationPath("/dev/ttyS0"), "/dev/pts/7");
    // Unset: a path in the station folder that cannot be opened.
    EXPECT_EQ(StationPath("/dev/ttyS1"), dir.Path() + "/dev/ttyS1");
    VN_Sim::StationDescription::Instance().SetSerialDevice(2, "/dev/pts/9");
    EXPECT_EQ(StationPath("/dev/ttyS1"), "/dev/pts/9");
    EXPECT_EQ(StationPath("/dev/ttyS2"), "/dev/ttyS2");
}

TEST_F(StationPathsTest, DescriptionDefaultsOverridesAndErrors) {
    VN_Sim::StationDescription& description = VN_Sim::StationDescription::Instance();
    // No file: the station's own settings.
    ASSERT_EQ(VN_Lib::InitPlatform("vn_firmware"), 0);
    EXPECT_EQ(description.UnitPort(), 3010);
    EXPECT_EQ(description.HttpPort(), 80);
    EXPECT_EQ(description.ModbusPort(), 1502);
    EXPECT_EQ(description.DocumentRoot(), "/vn/web_site");
    EXPECT_EQ(description.NetworkInterface(), "eth0");
    EXPECT_EQ(description.Root(), nullptr);

    VN_Test::WriteFile(dir.File("sim_station.xml"),
                       "<?xml version=\"1.0\" ?><SimStation><Host unit_port=\"4010\" http_port=\"8080\" "
                       "modbus_port=\"5020\" document_root=\"/tmp/site\" network_interface=\"lo\" /><Cards />"
                       "</SimStation>");
    ASSERT_EQ(VN_Lib::InitPlatform("vn_firmware"), 0);
    EXPECT_EQ(description.UnitPort(), 4010);
    EXPECT_EQ(description.HttpPort(), 8080);
    EXPECT_EQ(description.ModbusPort(), 5020);
    EXPECT_EQ(description.DocumentRoot(), "/tmp/site");
    EXPECT_EQ(description.NetworkInterface(), "lo");
    ASSERT_NE(description.Root(), nullptr);
    EXPECT_NE(description.Root()->FirstChildElement("Cards"), nullptr);

    // Each malformed file fails loudly and leaves the defaults, not half a description.
    const char* malformed[] = {
        "<SimStation><Host unit_port=\"40x\" /></SimStation>",
        "<SimStation><Host http_port=\"70000\" /></SimStation>",
        "<SimStation><Host document_root=\"\" /></SimStation>",
        "<SimStation><Host network_interface=\"\" /></SimStation>",
        "<SimStation><Serial com2=\"\" /></SimStation>",
        "<Station />",
        "<SimStation><Host></SimStation>",
        "",
    };
    for (const char* text : malformed) {
        VN_Test::WriteFile(dir.File("sim_station.xml"), text);
        testing::internal::CaptureStderr();
        EXPECT_NE(VN_Lib::InitPlatform("vn_firmware"), 0) << text;
        EXPECT_NE(testing::internal::GetCapturedStderr().find("sim_station.xml"), std::string::npos) << text;
        EXPECT_EQ(description.UnitPort(), 3010) << text;
        EXPECT_EQ(description.NetworkInterface(), "eth0") << text;
        EXPECT_EQ(description.Root(), nullptr) << text;
    }
}

}  // namespace
