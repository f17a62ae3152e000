// The unit program started as a process in a temporary station directory and
// driven over its TCP command port.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "test_support.h"
#include "unit_client.h"

using VN_Test::ChildProcess;
using VN_Test::PayloadReader;
using VN_Test::TempDir;
using VN_Test::UnitClient;

namespace {

std::string HwConfig(int port) {
    return "<?xml version=\"1.0\" ?>\n"
           "<HardwareConfiguration version=\"1\">\n"
           "  <Description><Model>VN5-TEST</Model><BuildDate>01/02/2026</BuildDate>"
           "<SerialNumber>SN-42</SerialNumber></Description>\n"
           "  <CommandPorts><Socket port=\"" +
           std::to_string(port) +
           "\"/></CommandPorts>\n"
           "</HardwareConfiguration>\n";
}

class UnitProgramTest : public ::testing::Test {
protected:
    void StartUnit(bool withConfig = true) {
        port = VN_Test::FreeTcpPort();
        if (withConfig) VN_Test::WriteFile(dir.File("hw_config.xml"), HwConfig(port));
        unit = std::make_unique<ChildProcess>(VN_FIRMWARE_PATH, dir.Path());
    }

    // Command byte and result of a response; the fields stay in the reader.
    static void Header(PayloadReader& reader, int* commandByte, int* result) {
        *commandByte = reader.Byte();
        *result = reader.Short();
    }

    TempDir dir;
    int port = 0;
    std::unique_ptr<ChildProcess> unit;
};

TEST_F(UnitProgramTest, AnswersVersionDescriptionAndUnknownCodes) {
    StartUnit();
    UnitClient client(port);
    ASSERT_TRUE(client.Connected()) << unit->Output();
    std::vector<unsigned char> payload;
    int command = 0;
    int result = 0;

    ASSERT_TRUE(client.Ask("12,", &payload));
    PayloadReader version(payload);
    Header(version, &command, &result);
    EXPECT_EQ(12, command);
    EXPECT_EQ(0, result);
    EXPECT_EQ("5.11", version.String());
    EXPECT_TRUE(version.AtEnd());

    ASSERT_TRUE(client.Ask("11,", &payload));
    PayloadReader description(payload);
    Header(description, &command, &result);
    EXPECT_EQ(11, command);
    EXPECT_EQ(0, result);
    EXPECT_EQ(2, description.Int());
    EXPECT_EQ("5.11", description.String());
    EXPECT_EQ("SN-42", description.String());
    EXPECT_EQ("01/02/2026", description.String());
    EXPECT_EQ("VN5-TEST", description.String());
    EXPECT_EQ(0, description.Int());  // aux inputs
    EXPECT_EQ(0, description.Int());  // temperatures
    EXPECT_EQ(0, description.Int());  // modules
    EXPECT_TRUE(description.AtEnd());

    ASSERT_TRUE(client.Ask("99,", &payload));
    EXPECT_EQ((std::vector<unsigned char>{255, 0, 0}), payload);
}

TEST_F(UnitProgramTest, ModuleAndSampleCommandsOnAnEmptyUnit) {
    StartUnit();
    UnitClient client(port);
    ASSERT_TRUE(client.Connected()) << unit->Output();
    std::vector<unsigned char> payload;

    ASSERT_TRUE(client.Ask("42,7,1,0,100,0.4,0.1", &payload));
    EXPECT_EQ((std::vector<unsigned char>{'E', 701 & 0xFF, 701 >> 8}), payload);

    ASSERT_TRUE(client.Ask("101,A,R", &payload));
    PayloadReader record(payload);
    EXPECT_EQ(101, record.Byte());
    EXPECT_EQ(0, record.Short());
    EXPECT_EQ(1, record.Int());
    EXPECT_EQ('T', record.Byte());
    EXPECT_EQ(0, record.Int());
    EXPECT_EQ('X', record.Byte());
    EXPECT_EQ(0, record.Int());
    EXPECT_EQ('M', record.Byte());
    EXPECT_EQ(0, record.Int());
    EXPECT_EQ('E', record.Byte());
    EXPECT_TRUE(record.AtEnd());

    ASSERT_TRUE(client.Ask("101,B,R", &payload));
    EXPECT_EQ((std::vector<unsigned char>{101, 0, 0}), payload);

    // Every load command of the table reaches its handler.
    ASSERT_TRUE(client.Ask("41,0", &payload));
    EXPECT_EQ((std::vector<unsigned char>{41, 0, 0}), payload);
    ASSERT_TRUE(client.Ask("43,", &payload));
    EXPECT_EQ((std::vector<unsigned char>{43, 0, 0}), payload);
    // An unknown module still gets a curve record: the empty one of start-up.
    ASSERT_TRUE(client.Ask("151,3", &payload));
    PayloadReader curve(payload);
    EXPECT_EQ('E', curve.Byte());
    EXPECT_EQ(701, curve.Short());
    EXPECT_EQ(2, curve.Int());
    EXPECT_EQ(3u + 8u + 6u * 8u + 4u, payload.size());
    ASSERT_TRUE(client.Ask("102,1", &payload));
    PayloadReader temperature(payload);
    EXPECT_EQ('E', temperature.Byte());
    EXPECT_EQ(702, temperature.Short());
}

TEST_F(UnitProgramTest, RequestsSplitOrJoinedOnTheWire) {
    StartUnit();
    UnitClient client(port);
    ASSERT_TRUE(client.Connected()) << unit->Output();
    std::vector<unsigned char> payload;

    // One request over several writes.
    std::string frame = VN_Test::RequestFrame("12,");
    for (char c : frame) {
        ASSERT_TRUE(client.SendRaw(std::string(1, c)));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_TRUE(client.ReadResponse(&payload));
    EXPECT_EQ(12, payload.at(0));

    // Two requests in one write: both are answered, in order.
    ASSERT_TRUE(client.SendRaw(VN_Test::RequestFrame("12,") + VN_Test::RequestFrame("99,")));
    ASSERT_TRUE(client.ReadResponse(&payload));
    EXPECT_EQ(12, payload.at(0));
    ASSERT_TRUE(client.ReadResponse(&payload));
    EXPECT_EQ(255, payload.at(0));
}

TEST_F(UnitProgramTest, ANewClientIsServedAfterThePreviousOneLeft) {
    StartUnit();
    std::vector<unsigned char> payload;
    {
        UnitClient first(port);
        ASSERT_TRUE(first.Connected()) << unit->Output();
        ASSERT_TRUE(first.Ask("12,", &payload));
    }
    UnitClient second(port);
    ASSERT_TRUE(second.Connected());
    ASSERT_TRUE(second.Ask("12,", &payload));
    EXPECT_EQ(12, payload.at(0));
    EXPECT_TRUE(unit->Running());
}

TEST_F(UnitProgramTest, WithoutConfigurationRunsButOpensNoPort) {
    StartUnit(false);
    EXPECT_EQ(-1, VN_Test::ConnectLoopback(port, 500));
    EXPECT_TRUE(unit->Running());
    EXPECT_NE(std::string::npos, unit->Output().find("Start VN5 Device"));
}

// A unit whose port is taken must not run deaf, nor leave the port to the
// program holding it as if that were this unit.
TEST_F(UnitProgramTest, ConfiguredPortThatCannotOpenStopsTheProgram) {
    StartUnit();
    UnitClient client(port);
    ASSERT_TRUE(client.Connected()) << unit->Output();

    TempDir second;
    VN_Test::WriteFile(second.File("hw_config.xml"), HwConfig(port));
    ChildProcess other(VN_FIRMWARE_PATH, second.Path());
    ASSERT_TRUE(VN_Test::WaitUntil([&] { return !other.Running(); }, 20000)) << other.Output();
    EXPECT_EQ(1, other.ExitCode());
    EXPECT_NE(std::string::npos,
              other.Output().find("Command port Socket port " + std::to_string(port) +
                                  " on 127.0.0.1 cannot be opened: Address already in use"))
        << other.Output();
    EXPECT_NE(std::string::npos, other.Output().find("vn_firmware stops")) << other.Output();

    // A serial port with no device behind it, and a CAN port on a bus the unit lacks, are named too.
    TempDir third;
    VN_Test::WriteFile(third.File("hw_config.xml"),
                       "<HardwareConfiguration><CommandPorts><COM2 baud=\"9600\"/><CAN canbus=\"4\"/>"
                       "</CommandPorts></HardwareConfiguration>");
    ChildProcess deaf(VN_FIRMWARE_PATH, third.Path());
    ASSERT_TRUE(VN_Test::WaitUntil([&] { return !deaf.Running(); }, 20000)) << deaf.Output();
    EXPECT_EQ(1, deaf.ExitCode());
    EXPECT_NE(std::string::npos, deaf.Output().find("Command port COM2 at 9600 baud cannot be opened: "))
        << deaf.Output();
    EXPECT_NE(std::string::npos, deaf.Output().find("Command port CAN: the unit has no CAN bus 4")) << deaf.Output();

    // The first unit is untouched.
    std::vector<unsigned char> payload;
    ASSERT_TRUE(client.Ask("12,", &payload));
    EXPECT_TRUE(unit->Running());
}

TEST_F(UnitProgramTest, NetworkSettingsAreWrittenBackedUpAndReported) {
    std::filesystem::create_directories(dir.File("hda2/vn"));
    StartUnit();
    UnitClient client(port);
    ASSERT_TRUE(client.Connected()) << unit->Output();
    std::vector<unsigned char> payload;

    ASSERT_TRUE(client.Ask("30,no,station7,10.1.2.3,255.255.0.0,10.1.0.1", &payload));
    EXPECT_EQ((std::vector<unsigned char>{30, 0, 0}), payload);
    EXPECT_EQ("station7\n", VN_Test::ReadFile(dir.File("HOSTNAME")));
    EXPECT_EQ("10.1.2.3\n", VN_Test::ReadFile(dir.File("hda2/vn/IPADDRESS")));

    ASSERT_TRUE(client.Ask("30,", &payload));
    PayloadReader report(payload);
    EXPECT_EQ(30, report.Byte());
    EXPECT_EQ(0, report.Short());
    EXPECT_EQ("no", report.String());
    EXPECT_EQ("station7", report.String());
    EXPECT_EQ("10.1.2.3", report.String());
    EXPECT_EQ("255.255.0.0", report.String());
    EXPECT_EQ("10.1.0.1", report.String());

    // The network script is never run in the simulation, only journaled.
    std::string journal = VN_Test::ReadFile(dir.File("shell_journal.log"));
    EXPECT_NE(std::string::npos, journal.find(". /vn/chnet"));
    EXPECT_LT(journal.find("cp /vn/HOSTNAME /hda2/vn"), journal.find("umount /hda2"));
}

}  // namespace
