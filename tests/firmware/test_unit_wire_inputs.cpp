// What the unit program takes from its command port: who may connect, network
// settings that end up in the network script, and description texts that
// must keep their place in the response.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"
#include "unit_client.h"

using VN_Test::ChildProcess;
using VN_Test::Connects;
using VN_Test::PayloadReader;
using VN_Test::TempDir;
using VN_Test::UnitClient;

namespace {

class UnitWireInputsTest : public ::testing::Test {
protected:
    // socketAttributes go on the Socket element; description is the inside of
    // the Description element.
    void StartUnit(const std::string& socketAttributes = "",
                   const std::string& description = "<Model>VN5-TEST</Model><BuildDate>01/02/2026</BuildDate>"
                                                    "<SerialNumber>SN-42</SerialNumber>") {
        port = VN_Test::FreeTcpPort();
        VN_Test::WriteFile(dir.File("hw_config.xml"),
                           "<?xml version=\"1.0\" ?>\n<HardwareConfiguration version=\"1\">\n  <Description>" +
                               description + "</Description>\n  <CommandPorts><Socket port=\"" +
                               std::to_string(port) + "\" " + socketAttributes +
                               "/></CommandPorts>\n</HardwareConfiguration>\n");
        unit = std::make_unique<ChildProcess>(VN_FIRMWARE_PATH, dir.Path());
    }

    std::string Journal() { return VN_Test::ReadFile(dir.File("shell_journal.log")); }

    TempDir dir;
    int port = 0;
    std::unique_ptr<ChildProcess> unit;
};

TEST_F(UnitWireInputsTest, CommandPortListensOnLoopbackUnlessConfigured) {
    StartUnit();
    {
        UnitClient client(port);
        ASSERT_TRUE(client.Connected()) << unit->Output();
    }
    // Every 127/8 address reaches this machine's loopback interface; a port
    // open on all interfaces would take 127.0.0.2 as well.
    EXPECT_FALSE(Connects("127.0.0.2", port));
    EXPECT_TRUE(Connects("127.0.0.1", port));
}

TEST_F(UnitWireInputsTest, CommandPortListensOnTheConfiguredAddress) {
    StartUnit("address=\"127.0.0.2\"");
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Connects("127.0.0.2", port) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(Connects("127.0.0.2", port)) << unit->Output();
    EXPECT_FALSE(Connects("127.0.0.1", port));
}

// The configured port cannot be opened: the unit says why and stops rather
// than run without it.
TEST_F(UnitWireInputsTest, CommandPortWithAnAddressThatIsNoIpv4AddressStopsTheUnit) {
    StartUnit("address=\"localhost\"");
    ASSERT_TRUE(VN_Test::WaitUntil([&] { return !unit->Running(); }, 20000)) << unit->Output();
    EXPECT_EQ(1, unit->ExitCode());
    EXPECT_NE(std::string::npos,
              unit->Output().find("Socket address \"localhost\" is not an IPv4 address: no socket port"))
        << unit->Output();
    EXPECT_NE(std::string::npos, unit->Output().find("vn_firmware stops")) << unit->Output();
    EXPECT_FALSE(Connects("127.0.0.1", port));
    EXPECT_FALSE(Connects("127.0.0.2", port));
}

TEST_F(UnitWireInputsTest, NetworkChangesWithWordsThatAreNoNamesOrAddressesChangeNothing) {
    std::filesystem::create_directories(dir.File("hda2/vn"));
    StartUnit();
    UnitClient client(port);
    ASSERT_TRUE(client.Connected()) << unit->Output();
    const char* const refused[] = {
        "30,no,st;reboot,10.1.2.3,255.255.0.0,10.1.0.1",    // shell syntax in the host name
        "30,no,station7,10.1.2.3,$(reboot),10.1.0.1",       // ... and in an address
        "30,no,station7,10.1.2.256,255.255.0.0,10.1.0.1",  // a number above 255
        "30,no,station7,10.1.2.3",                          // no netmask
        "30,yes,`reboot`",
    };
    std::vector<unsigned char> payload;
    for (const char* request : refused) {
        ASSERT_TRUE(client.Ask(request, &payload)) << request;
        EXPECT_EQ((std::vector<unsigned char>{'E', 90, 0}), payload) << request;
    }
    for (const char* file : {"HOSTNAME", "IPADDRESS", "NETMASK", "GATEWAY", "DHCP_HOSTNAME"}) {
        EXPECT_FALSE(std::filesystem::exists(dir.File(file))) << file;
    }
    EXPECT_EQ(std::string::npos, Journal().find("chnet")) << Journal();
    EXPECT_EQ(std::string::npos, Journal().find("/vn/")) << Journal();
    EXPECT_TRUE(unit->Running());

    // What the command allows empty: the DHCP host name, a fixed address's gateway.
    ASSERT_TRUE(client.Ask("30,no,station-7.lab,10.1.2.3,255.255.0.0", &payload));
    EXPECT_EQ((std::vector<unsigned char>{30, 0, 0}), payload);
    EXPECT_EQ("station-7.lab\n", VN_Test::ReadFile(dir.File("HOSTNAME")));
    EXPECT_EQ("\n", VN_Test::ReadFile(dir.File("GATEWAY")));
    ASSERT_TRUE(client.Ask("30,yes", &payload));
    EXPECT_EQ((std::vector<unsigned char>{30, 0, 0}), payload);
    EXPECT_NE(std::string::npos, Journal().find(". /vn/chnet"));
}

TEST_F(UnitWireInputsTest, EmptyNetworkValuesAreReportedAsAPlaceholderWord) {
    StartUnit();
    UnitClient client(port);
    ASSERT_TRUE(client.Connected()) << unit->Output();
    std::vector<unsigned char> payload;
    // DHCP without a name; no address, netmask or gateway file.
    ASSERT_TRUE(client.Ask("30,yes", &payload));
    ASSERT_TRUE(client.Ask("30,", &payload));
    PayloadReader report(payload);
    EXPECT_EQ('E', report.Byte());
    EXPECT_EQ(802, report.Short());  // the gateway file is missing
    EXPECT_EQ("yes", report.String());
    for (int field = 0; field < 4; ++field) EXPECT_EQ("-", report.String()) << field;
    EXPECT_TRUE(report.AtEnd());
}

TEST_F(UnitWireInputsTest, EmptyDescriptionTextsKeepTheLaterFieldsInPlace) {
    StartUnit("", "<Model>VN5-TEST</Model>");
    UnitClient client(port);
    ASSERT_TRUE(client.Connected()) << unit->Output();
    std::vector<unsigned char> payload;
    ASSERT_TRUE(client.Ask("11,", &payload));
    PayloadReader description(payload);
    EXPECT_EQ(11, description.Byte());
    EXPECT_EQ(0, description.Short());
    EXPECT_EQ(2, description.Int());
    EXPECT_EQ("5.11", description.String());
    EXPECT_EQ("-", description.String());  // serial number
    EXPECT_EQ("-", description.String());  // build date
    EXPECT_EQ("VN5-TEST", description.String());
    EXPECT_EQ(0, description.Int());  // aux inputs
    EXPECT_EQ(0, description.Int());  // temperatures
    EXPECT_EQ(0, description.Int());  // modules
    EXPECT_TRUE(description.AtEnd());
}

}  // namespace
