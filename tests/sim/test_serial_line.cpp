#include <gtest/gtest.h>

#include <dirent.h>
#include <poll.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "com_control.h"
#include "platform.h"
#include "sys_error.h"
#include "test_support.h"
#include "vn_sim/link/datagram_folder_link.h"
#include "vn_sim/link/link_fault.h"
#include "vn_sim/serial/uart_receiver.h"
#include "vn_sim/station/station_installer.h"
#include "vn_sim/station_description.h"

using VN_Lib::ComControl;
using VN_Lib::DataFrame;

namespace {

// A framed request as the requesting side sends it: "41,2".
std::vector<uint8_t> RequestBytes() { return {'[', 5, 0, '4', '1', ',', '2', 0, ']'}; }

// The common rates of the terminal speed table.
const int Rates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

TEST(UartReceiverTest, EqualRatesPassEveryByte) {
    std::vector<uint8_t> all;
    for (int value = 0; value < 256; ++value) all.push_back(static_cast<uint8_t>(value));
    for (int rate : Rates) EXPECT_EQ(VN_Sim::ReceiveAtRate(all.data(), all.size(), rate, rate), all) << rate;
}

TEST(UartReceiverTest, OtherRatesSampleTheWrongBits) {
    // 0xFF at 9600 seen at 19200: the start bit lasts two receiver bits, so
    // it is taken for data bit 0 as well; the rest reads high.
    const uint8_t high = 0xFF;
    EXPECT_EQ(VN_Sim::ReceiveAtRate(&high, 1, 9600, 19200), std::vector<uint8_t>{0xFE});
    // 0x00 at 9600 seen at 19200: the stop bit is sampled while the line is
    // still low, a framing error: the byte is dropped.
    const uint8_t low = 0x00;
    EXPECT_TRUE(VN_Sim::ReceiveAtRate(&low, 1, 9600, 19200).empty());
}

// The fault file's kinds, on bursts of the request's bytes; a burst starts
// after a pause of 50 ms (the times are handed in).
TEST(LineFaultTest, EachKindBreaksTheBytesAsNamedAndRemovingTheFileMendsTheLine) {
    VN_Test::TempDir folder;
    VN_Sim::LinkFault fault(folder.File("fault"));
    const std::vector<uint8_t> bytes = RequestBytes();
    const long long ms = 1000000;
    long long now = 1000 * ms;
    int delayMs = -1;
    const auto arrive = [&](long long afterMs) {
        now += afterMs * ms;
        return fault.Apply(bytes, now, &delayMs);
    };
    EXPECT_EQ(arrive(100), bytes);
    EXPECT_EQ(delayMs, 0);

    VN_Test::WriteFile(folder.File("fault"), "garbage");
    const std::vector<uint8_t> garbled = arrive(100);
    ASSERT_EQ(garbled.size(), bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) EXPECT_NE(garbled[i], bytes[i]) << i;

    VN_Test::WriteFile(folder.File("fault"), "cut");
    EXPECT_EQ(arrive(100), std::vector<uint8_t>(bytes.begin(), bytes.begin() + 8));
    EXPECT_TRUE(arrive(10).empty());  // the rest of the burst is lost
    EXPECT_EQ(arrive(60).size(), 8u);  // the next burst breaks off too

    VN_Test::WriteFile(folder.File("fault"), "slow 300");
    EXPECT_EQ(arrive(100), bytes);
    EXPECT_EQ(delayMs, 300);
    arrive(10);
    EXPECT_EQ(delayMs, 0);  // only the burst's start waits

    VN_Test::WriteFile(folder.File("fault"), "mute");
    EXPECT_TRUE(arrive(100).empty());

    std::filesystem::remove(folder.File("fault"));
    EXPECT_EQ(arrive(100), bytes);
}

TEST(UartReceiverTest, NoFrameSurvivesARateMismatch) {
    const std::vector<uint8_t> request = RequestBytes();
    for (int sender : Rates) {
        for (int receiver : Rates) {
            if (sender == receiver) continue;
            std::vector<uint8_t> got = VN_Sim::ReceiveAtRate(request.data(), request.size(), sender, receiver);
            EXPECT_NE(got, request) << sender << " -> " << receiver;
            // Whatever arrives, no start byte is followed by the request's length.
            for (size_t i = 0; i + 2 < got.size(); ++i) {
                EXPECT_FALSE(got[i] == '[' && got[i + 1] == 5 && got[i + 2] == 0) << sender << " -> " << receiver;
            }
        }
    }
}

// A station folder whose unit program has COM1 and COM2 on the same line,
// so one ComControl can act as the unit and the other as the requester.
class SerialLineTest : public ::testing::Test {
protected:
    ~SerialLineTest() override { VN_Sim::RemoveStation(); }

    void Describe(const std::string& body) {
        VN_Test::WriteFile(dir.File("sim_station.xml"), "<?xml version=\"1.0\" ?><SimStation>" + body + "</SimStation>");
    }
    void InstallBothPortsOnOneLine() {
        Describe("<SerialLines><Line name=\"unit2\" com=\"1\" /><Line name=\"unit2\" com=\"2\" /></SerialLines>");
        ASSERT_EQ(VN_Lib::InitPlatform("vn_firmware"), 0);
    }
    // Sockets of the line's ends in its folder.
    int SocketsOnLine(const std::string& folder) const {
        int count = 0;
        if (DIR* directory = opendir(dir.File(folder).c_str())) {
            while (struct dirent* entry = readdir(directory)) {
                if (std::string(entry->d_name).find(".sock") != std::string::npos) ++count;
            }
            closedir(directory);
        }
        return count;
    }
    // Reads what the port receives until want bytes are there or the deadline passes.
    static std::string ReadBytes(ComControl& port, size_t want, int deadlineMs) {
        std::string got;
        VN_Test::WaitUntil([&] {
            char buffer[512];
            int count = 0;
            port.GetData(sizeof(buffer), buffer, &count);
            got.append(buffer, static_cast<size_t>(count));
            return got.size() >= want;
        }, deadlineMs);
        return got;
    }

    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir workingDir{dir.Path()};
};

// The unit side: answers one request with its parameters echoed back.
// Returns the request's parameters, or "" when no request arrived in time.
std::string AnswerOneRequest(ComControl& unit, int deadlineMs) {
    CommandMessage message;
    bool done = VN_Test::WaitUntil([&] {
        struct pollfd arrived = {unit.Descriptor(), POLLIN, 0};
        poll(&arrived, 1, 20);
        return unit.GetCommand(&message) == 0 && message.state == CommandMessage::StateDone;
    }, deadlineMs);
    if (!done) return "";
    std::string params = message.parameters[1];
    DataFrame answer;
    answer.AddByte(static_cast<char>(message.Type()));
    answer.AddShort(0);
    answer.AddString(params + " seen");
    unit.OutputFrame(answer, 2000);
    return params;
}

TEST_F(SerialLineTest, RequestsAndResponsesCrossTheLineEitherWay) {
    InstallBothPortsOnOneLine();
    for (int unitPort : {1, 2}) {
        ComControl unit;
        ComControl requester;
        ASSERT_EQ(unit.OpenPort(unitPort, 38400), 0);
        ASSERT_EQ(requester.OpenPort(3 - unitPort, 38400), 0);
        std::string seen;
        std::thread unitThread([&] { seen = AnswerOneRequest(unit, 10000); });
        std::string params = "2";
        DataFrame response;
        EXPECT_EQ(requester.SendCommand(CmdInitializeLoads, params, response, 5000), 0) << "unit on COM" << unitPort;
        unitThread.join();
        EXPECT_EQ(seen, "2");
        std::string text;
        response.ExtractString(text);
        EXPECT_EQ(text, "2 seen");
    }
}

TEST_F(SerialLineTest, PortsAtDifferentRatesSeeNoFrame) {
    InstallBothPortsOnOneLine();
    ComControl unit;
    ComControl requester;
    ASSERT_EQ(unit.OpenPort(1, 38400), 0);
    ASSERT_EQ(requester.OpenPort(2, 9600), 0);
    std::string seen = "not asked";
    std::thread unitThread([&] { seen = AnswerOneRequest(unit, 1500); });
    std::string params = "2";
    DataFrame response;
    EXPECT_NE(requester.SendCommand(CmdInitializeLoads, params, response, 500), 0);
    unitThread.join();
    EXPECT_EQ(seen, "") << "the unit took a request sent at another rate";

    // Raw bytes do arrive, but changed.
    const std::string sent = "[\x05\x00" "41,2\x00]";
    ASSERT_EQ(requester.SendData(static_cast<int>(sent.size()), sent.data(), 1000), 0);
    std::string got = ReadBytes(unit, sent.size(), 1000);
    EXPECT_NE(got, sent);
}

TEST_F(SerialLineTest, BytesTakeTheTimeTheirRateNeeds) {
    InstallBothPortsOnOneLine();
    ComControl sender;
    ComControl receiver;
    const int baud = 19200;
    ASSERT_EQ(sender.OpenPort(1, baud), 0);
    ASSERT_EQ(receiver.OpenPort(2, baud), 0);
    std::string message;
    for (int i = 0; i < 960; ++i) message.push_back(static_cast<char>(i * 7));
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(sender.SendData(static_cast<int>(message.size()), message.data(), 1000), 0);
    std::string got = ReadBytes(receiver, message.size(), 30000);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(got, message) << "every byte arrives, in order";
    // 10 bits a byte: 960 bytes at 19200 baud need 0.5 s on the line.
    EXPECT_GE(seconds, 0.9 * message.size() * 10 / baud);
}

TEST_F(SerialLineTest, AClosedPortLeavesTheLineAndMissesItsBytes) {
    InstallBothPortsOnOneLine();
    // Sees every datagram on the line, so the test knows when bytes have left.
    std::atomic<int> datagrams{0};
    VN_Sim::DatagramFolderLink observer("serial/unit2", "observer", 1024, [&](const uint8_t*, size_t) {
        ++datagrams;
        return true;
    });
    ComControl sender;
    ASSERT_EQ(sender.OpenPort(1, 38400), 0);
    {
        ComControl receiver;
        ASSERT_EQ(receiver.OpenPort(2, 38400), 0);
        EXPECT_EQ(SocketsOnLine("serial/unit2"), 3);
    }
    EXPECT_EQ(SocketsOnLine("serial/unit2"), 2);
    // Nobody on COM2: the bytes are gone, as on an unplugged cable.
    ASSERT_EQ(sender.SendData(5, "lost!", 1000), 0);
    ASSERT_TRUE(VN_Test::WaitUntil([&] { return datagrams.load() > 0; }, 5000));
    ComControl late;
    ASSERT_EQ(late.OpenPort(2, 38400), 0);
    ASSERT_EQ(sender.SendData(4, "late", 1000), 0);
    EXPECT_EQ(ReadBytes(late, 4, 5000), "late");
    sender.Close();
    EXPECT_EQ(SocketsOnLine("serial/unit2"), 2);
}

// A line of another program is not this program's: its port stays unwired.
TEST_F(SerialLineTest, OnlyTheProgramsOwnLinesAreWired) {
    Describe("<SerialLines><Line name=\"a\" com=\"1\" program=\"vn_controller\" />"
             "<Line name=\"b\" com=\"1\" folder=\"lines/b\" /></SerialLines>");
    ASSERT_EQ(VN_Lib::InitPlatform("vn_controller"), 0);
    ComControl port;
    ASSERT_EQ(port.OpenPort(1, 38400), 0);
    EXPECT_EQ(SocketsOnLine("serial/a"), 1);
    EXPECT_EQ(port.OpenPort(2, 38400), VN_Lib::ERR_LINK_NOT_OPEN) << "no device and no line on COM2";
    port.Close();

    ASSERT_EQ(VN_Lib::InitPlatform("vn_firmware"), 0);
    ASSERT_EQ(port.OpenPort(1, 38400), 0);
    EXPECT_EQ(SocketsOnLine("lines/b"), 1);
}

TEST_F(SerialLineTest, MalformedLinesAreRefusedWithTheirLine) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<SerialLines><Line com=\"1\" /></SerialLines>", "Line at line 1: attribute name is missing"},
        {"<SerialLines><Line name=\"a/b\" com=\"1\" /></SerialLines>", "Line at line 1: a line name must not be a path"},
        {"<SerialLines><Line name=\"..\" com=\"1\" /></SerialLines>", "Line at line 1: a line name must not be a path"},
        {"<SerialLines><Line name=\"a\" /></SerialLines>", "Line at line 1: attribute com is missing"},
        {"<SerialLines><Line name=\"a\" com=\"3\" /></SerialLines>", "Line at line 1: com must be 1 or 2"},
        {"<SerialLines><Line name=\"a\" com=\"1x\" /></SerialLines>", "Line at line 1: attribute com is not"},
        {"<SerialLines><Line name=\"a\" com=\"1\" folder=\"lines/..\" /></SerialLines>",
         "Line at line 1: folder must name a folder"},
        {"<SerialLines><Line name=\"a\" com=\"1\" folder=\"\" /></SerialLines>",
         "Line at line 1: folder must name a folder"},
        {"<SerialLines program=\"\"><Line name=\"a\" com=\"1\" /></SerialLines>",
         "SerialLines at line 1: attribute program is empty"},
        {"<SerialLines><Wire name=\"a\" com=\"1\" /></SerialLines>", "Wire at line 1: unknown element in SerialLines"},
        {"<Serial com2=\"/dev/null\" /><SerialLines><Line name=\"a\" com=\"2\" /></SerialLines>",
         "Line at line 1: COM2 has a Serial device already"},
        {"<SerialLines><Line name=\"a\" com=\"1\" /><Line name=\"b\" com=\"1\" /></SerialLines>",
         "Line at line 1: COM1 of vn_firmware is wired to another line already"},
    };
    for (const auto& entry : cases) {
        Describe(entry.first);
        testing::internal::CaptureStderr();
        EXPECT_NE(VN_Lib::InitPlatform("vn_firmware"), 0) << entry.first;
        std::string message = testing::internal::GetCapturedStderr();
        EXPECT_NE(message.find("sim_station.xml: " + entry.second), std::string::npos) << entry.first << "\n"
                                                                                      << message;
        VN_Sim::SerialLineSettings_T line;
        EXPECT_FALSE(VN_Sim::InstalledSerialLine(1, &line) || VN_Sim::InstalledSerialLine(2, &line)) << entry.first;
    }
}

}  // namespace
