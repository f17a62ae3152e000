#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "com_control.h"
#include "sys_error.h"
#include "vn_sim/station_description.h"

using VN_Lib::ComControl;
using VN_Lib::DataFrame;

namespace {

// A pseudo-terminal pair standing in for COM1: the link opens the slave, the test plays the far end on the master.
class ComControlTest : public testing::Test {
protected:
    void SetUp() override {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(grantpt(master), 0);
        ASSERT_EQ(unlockpt(master), 0);
        VN_Sim::StationDescription::Instance().SetSerialDevice(1, ptsname(master));
    }
    void TearDown() override {
        VN_Sim::StationDescription::Instance().Reset();
        close(master);
    }

    void MasterWrite(const std::string& bytes) const {
        ASSERT_EQ(write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Reads until want bytes have arrived or a second passes without more.
    std::string MasterRead(size_t want) const {
        std::string out;
        struct pollfd wanted = {master, POLLIN, 0};
        char buffer[256];
        while (out.size() < want && poll(&wanted, 1, 1000) == 1) {
            ssize_t got = read(master, buffer, sizeof(buffer));
            if (got <= 0) {
                break;
            }
            out.append(buffer, static_cast<size_t>(got));
        }
        return out;
    }

    int master = -1;
};

std::string Wire(std::initializer_list<int> bytes) {
    std::string out;
    for (int b : bytes) {
        out.push_back(static_cast<char>(b));
    }
    return out;
}

}  // namespace

TEST_F(ComControlTest, OpensOnlyConfiguredPorts) {
    ComControl com;
    EXPECT_EQ(com.LinkKind(), ComControl::LinkSerial);
    EXPECT_EQ(com.OpenPort(3, 38400), VN_Lib::ERR_LINK_NOT_OPEN);
    EXPECT_EQ(com.OpenPort(2, 38400), VN_Lib::ERR_LINK_NOT_OPEN);  // no device behind COM2
    EXPECT_EQ(com.Descriptor(), -1);
    EXPECT_EQ(com.SendData(1, "x", 10), VN_Lib::ERR_LINK_NOT_OPEN);
    DataFrame frame;
    EXPECT_EQ(com.ReadFrame(frame, 10), VN_Lib::ERR_LINK_NOT_OPEN);

    ASSERT_EQ(com.OpenPort(1, 38400), 0);
    EXPECT_EQ(com.SerialPortNumber(), 1);
    struct termios settings;
    ASSERT_EQ(tcgetattr(com.Descriptor(), &settings), 0);
    EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B38400));
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(settings.c_oflag & OPOST, 0u);
    EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));

    // An unknown rate runs at 115200.
    ASSERT_EQ(com.OpenPort(1, 12345), 0);
    ASSERT_EQ(tcgetattr(com.Descriptor(), &settings), 0);
    EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B115200));
    EXPECT_EQ(com.Close(), 0);
    EXPECT_EQ(com.Descriptor(), -1);
}

TEST_F(ComControlTest, UnitAnswersARequestOverTheLine) {
    ComControl com;
    ASSERT_EQ(com.OpenPort(1, 38400), 0);
    MasterWrite(Wire({'[', 6, 0, '1', '5', '0', ',', '3', 0, ']'}));
    CommandMessage message;
    struct pollfd arrived = {com.Descriptor(), POLLIN, 0};
    for (int i = 0; i < 10 && message.state != CommandMessage::StateDone; ++i) {
        ASSERT_EQ(poll(&arrived, 1, 1000), 1);
        ASSERT_EQ(com.GetCommand(&message), 0);
    }
    ASSERT_EQ(message.state, CommandMessage::StateDone);
    EXPECT_EQ(message.Type(), CmdTakeIvCurve);
    EXPECT_STREQ(message.parameters[1], "3");

    // Bytes that need escaping and the line's own control characters pass unchanged.
    DataFrame answer;
    answer.AddByte(static_cast<char>(CmdTakeIvCurve));
    answer.AddShort(0);
    answer.AddData("[\r\n\x11*]", 6);
    ASSERT_EQ(com.OutputFrame(answer, 1000), 0);
    std::string expected = Wire({'[', 9, 0, 150, 0, 0, '*', '[', '\r', '\n', 0x11, '*', '*', '*', ']', ']'});
    EXPECT_EQ(MasterRead(expected.size()), expected);
}

TEST_F(ComControlTest, RequestingSideExchangesOverTheLine) {
    ComControl com;
    ASSERT_EQ(com.OpenPort(1, 38400), 0);
    std::string request;
    std::thread unit([this, &request] {
        request = MasterRead(9);
        MasterWrite(Wire({'[', 3, 0, 41, 0x2C, 0x01, ']'}));
    });
    std::string params = "2";
    DataFrame response;
    EXPECT_EQ(com.SendCommand(CmdInitializeLoads, params, response, 2000), 300);
    unit.join();
    EXPECT_EQ(request, Wire({'[', 5, 0, '4', '1', ',', '2', 0, ']'}));
}
