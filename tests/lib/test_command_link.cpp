#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "command_control.h"
#include "sys_error.h"
#include "test_support.h"

using VN_Lib::CommandControl;
using VN_Lib::DataFrame;

namespace {

// A link over one end of a socket pair; the test plays the other end.
class PairLink : public CommandControl {
public:
    PairLink() : CommandControl(LinkNone) {
        int ends[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) == 0) {
            descriptor = ends[0];
            peer = ends[1];
            // The link's side never waits in a read, as on every transport.
            fcntl(descriptor, F_SETFL, O_NONBLOCK);
        }
    }
    ~PairLink() override {
        Close();
        ClosePeer();
    }
    int OpenPort() override { return 0; }
    int Close() override {
        if (descriptor >= 0) {
            close(descriptor);
        }
        descriptor = -1;
        return 0;
    }
    int SendData(int length, const char* data, int timeoutMs) override { return WriteAll(data, length, timeoutMs); }
    int GetData(int maxLength, char* buffer, int* count) override {
        ssize_t got = read(descriptor, buffer, static_cast<size_t>(maxLength));
        *count = got > 0 ? static_cast<int>(got) : 0;
        return 0;
    }
    int EmptyInputBuffer() override {
        DiscardPendingInput();
        return 0;
    }

    void PeerWrite(const std::string& bytes) const { ASSERT_EQ(write(peer, bytes.data(), bytes.size()), (ssize_t)bytes.size()); }
    // Everything that has reached the peer, waiting up to timeoutMs for the first byte.
    std::string PeerRead(int timeoutMs) const {
        std::string out;
        struct pollfd wanted = {peer, POLLIN, 0};
        char buffer[4096];
        while (poll(&wanted, 1, out.empty() ? timeoutMs : 20) > 0) {
            ssize_t got = read(peer, buffer, sizeof(buffer));
            if (got <= 0) {
                break;
            }
            out.append(buffer, static_cast<size_t>(got));
        }
        return out;
    }
    // Reads one request frame (up to its unescaped end byte).
    std::string PeerReadFrame() const {
        std::string out;
        char c = 0;
        bool escaped = false;
        while (read(peer, &c, 1) == 1) {
            out.push_back(c);
            if (!escaped && c == ']') {
                break;
            }
            escaped = !escaped && c == '*';
        }
        return out;
    }
    void ClosePeer() {
        if (peer >= 0) {
            close(peer);
        }
        peer = -1;
    }

    int peer = -1;
};

std::string Text(const DataFrame& frame) { return std::string(frame.Data(), frame.Size()); }

std::string Wire(std::initializer_list<int> bytes) {
    std::string out;
    for (int b : bytes) {
        out.push_back(static_cast<char>(b));
    }
    return out;
}

double ThreadCpuMs() {
    struct timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

using VN_Test::RequestFrame;

}  // namespace

TEST(CommandLink, SpecialBytesAreEscapedAndDecodeBack) {
    PairLink link;
    DataFrame frame;
    frame.AddData("[*]", 3);
    ASSERT_EQ(link.OutputFrame(frame, 1000), 0);
    std::string wire = link.PeerRead(1000);
    EXPECT_EQ(wire, Wire({'[', 3, 0, '*', '[', '*', '*', '*', ']', ']'}));

    // The length field is escaped like the payload: 42 bytes give a length byte '*'.
    DataFrame fortyTwo;
    fortyTwo.AddData(std::string(42, 'x').c_str(), 42);
    ASSERT_EQ(link.OutputFrame(fortyTwo, 1000), 0);
    std::string wire42 = link.PeerRead(1000);
    EXPECT_EQ(wire42.substr(0, 4), Wire({'[', '*', 42, 0}));

    link.PeerWrite(wire + wire42);
    DataFrame received;
    ASSERT_EQ(link.ReadFrame(received, 1000), 0);
    EXPECT_EQ(Text(received), "[*]");
    ASSERT_EQ(link.ReadFrame(received, 1000), 0);
    EXPECT_EQ(Text(received), std::string(42, 'x'));
}

TEST(CommandLink, ReadFrameSkipsNoiseAndRestartsOnStartByte) {
    PairLink link;
    link.PeerWrite("noise]*" + Wire({'[', 9, 9, 'z', '[', 2, 0, 'o', 'k', ']'}));
    DataFrame frame;
    ASSERT_EQ(link.ReadFrame(frame, 1000), 0);
    EXPECT_EQ(Text(frame), "ok");
}

TEST(CommandLink, MalformedFramesAreRefused) {
    PairLink link;
    DataFrame frame;
    link.PeerWrite("[]");
    EXPECT_EQ(link.ReadFrame(frame, 1000), VN_Lib::ERR_SHORT_FRAME);
    link.PeerWrite(Wire({'[', 1, ']'}));
    EXPECT_EQ(link.ReadFrame(frame, 1000), VN_Lib::ERR_SHORT_FRAME);
    link.PeerWrite(Wire({'[', 5, 0, 'a', 'b', 'c', 'd', ']'}));
    EXPECT_EQ(link.ReadFrame(frame, 1000), VN_Lib::ERR_LENGTH_MISMATCH);
    link.PeerWrite(Wire({'[', 0, 0, ']'}));
    EXPECT_EQ(link.ReadFrame(frame, 1000), 0);
    EXPECT_TRUE(frame.Empty());
}

TEST(CommandLink, OverlongFrameIsRefusedBeforeSending) {
    PairLink link;
    // Without escapes, 8188 payload bytes are the most that fit.
    std::string largest(8188, 'p');
    DataFrame frame;
    frame.AddData(largest.c_str(), static_cast<unsigned>(largest.size()));
    ASSERT_EQ(link.OutputFrame(frame, 1000), 0);
    EXPECT_EQ(frame.Size(), 8190u);  // the length field stays prepended

    std::string wire;
    while (wire.size() < 8192) {
        std::string more = link.PeerRead(1000);
        ASSERT_FALSE(more.empty());
        wire += more;
    }
    link.PeerWrite(wire);
    DataFrame received;
    ASSERT_EQ(link.ReadFrame(received, 1000), 0);
    EXPECT_EQ(Text(received), largest);

    DataFrame tooLong;
    tooLong.AddData(std::string(8189, 'p').c_str(), 8189);
    EXPECT_EQ(link.OutputFrame(tooLong, 1000), VN_Lib::ERR_FRAME_TOO_LONG);
    // Escapes count: 5000 bytes that all need one pass the limit too.
    DataFrame escaped;
    escaped.AddData(std::string(5000, '*').c_str(), 5000);
    EXPECT_EQ(link.OutputFrame(escaped, 1000), VN_Lib::ERR_FRAME_TOO_LONG);
    EXPECT_EQ(link.PeerRead(50), "");
}

TEST(CommandLink, ReadFrameTimesOutWithoutSpinning) {
    PairLink link;
    DataFrame frame;
    double cpuBefore = ThreadCpuMs();
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(link.ReadFrame(frame, 300), VN_Lib::ERR_TIMEOUT);
    auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_GE(waited.count(), 290);
    EXPECT_LT(waited.count(), 3000);
    EXPECT_LT(ThreadCpuMs() - cpuBefore, 100.0);

    // A peer that has gone polls ready for ever; that must not spin either.
    link.ClosePeer();
    cpuBefore = ThreadCpuMs();
    EXPECT_EQ(link.ReadFrame(frame, 300), VN_Lib::ERR_TIMEOUT);
    EXPECT_LT(ThreadCpuMs() - cpuBefore, 100.0);

    link.Close();
    EXPECT_EQ(link.ReadFrame(frame, 300), VN_Lib::ERR_LINK_NOT_OPEN);
}

TEST(CommandLink, RequestsArrivingTogetherAreDeliveredInTurn) {
    PairLink link;
    link.PeerWrite(RequestFrame("12,") + RequestFrame("150,3"));
    CommandMessage message;
    ASSERT_EQ(link.GetCommand(&message), 0);
    EXPECT_EQ(message.state, CommandMessage::StateDone);
    EXPECT_EQ(message.Type(), 12);
    ASSERT_EQ(link.GetCommand(&message), 0);
    EXPECT_EQ(message.state, CommandMessage::StateDone);
    EXPECT_EQ(message.Type(), 150);
    EXPECT_STREQ(message.parameters[1], "3");

    ASSERT_EQ(link.GetCommand(&message), 0);
    EXPECT_EQ(message.state, CommandMessage::StateEmpty);
}

TEST(CommandLink, FrameArrivingOverSeveralPollsIsAssembled) {
    PairLink link;
    std::string request = RequestFrame("101,A,R");
    CommandMessage message;
    for (size_t i = 0; i + 1 < request.size(); ++i) {
        link.PeerWrite(request.substr(i, 1));
        ASSERT_EQ(link.GetCommand(&message), 0);
        ASSERT_EQ(message.state, CommandMessage::StateEmpty);
    }
    link.PeerWrite(request.substr(request.size() - 1));
    ASSERT_EQ(link.GetCommand(&message), 0);
    EXPECT_EQ(message.state, CommandMessage::StateDone);
    EXPECT_STREQ(message.text, "101,A,R");

    // A request longer than one poll's worth arrives over several polls.
    std::string longRequest = RequestFrame("30,no," + std::string(300, 'h'));
    link.PeerWrite(longRequest);
    int polls = 0;
    do {
        ASSERT_EQ(link.GetCommand(&message), 0);
        ++polls;
    } while (message.state != CommandMessage::StateDone && polls < 10);
    EXPECT_EQ(polls, 2);
    EXPECT_EQ(message.Type(), 30);
    EXPECT_STREQ(message.parameters[1], "no");
}

TEST(CommandLink, ReceiverRecoversFromBadInput) {
    PairLink link;
    CommandMessage message;
    // A bad frame does not take the good one behind it in the same chunk along.
    link.PeerWrite(Wire({'[', 7, 0, 'x', ']'}) + RequestFrame("43,"));
    EXPECT_EQ(link.GetCommand(&message), VN_Lib::ERR_LENGTH_MISMATCH);
    ASSERT_EQ(link.GetCommand(&message), 0);
    EXPECT_EQ(message.Type(), 43);

    link.PeerWrite(Wire({'[', 7, 0, 'x', ']'}));
    EXPECT_EQ(link.GetCommand(&message), VN_Lib::ERR_LENGTH_MISMATCH);
    EXPECT_EQ(message.state, CommandMessage::StateEmpty);

    // A body that never ends is dropped instead of growing without bound.
    std::string endless = "[" + std::string(CommandControl::MaxReceivedBody + 100, 'a');
    for (size_t sent = 0; sent < endless.size(); sent += 4096) {
        link.PeerWrite(endless.substr(sent, 4096));
        for (int i = 0; i < 20; ++i) {
            link.GetCommand(&message);
        }
    }
    link.PeerWrite("bc]" + RequestFrame("12,"));
    for (int i = 0; i < 40 && message.state != CommandMessage::StateDone; ++i) {
        ASSERT_EQ(link.GetCommand(&message), 0);
    }
    EXPECT_EQ(message.Type(), 12);
}

class SendCommandTest : public testing::Test {
protected:
    // The peer answers the next request with the given wire bytes and keeps the request.
    void AnswerWith(const std::string& response) {
        peer = std::thread([this, response] {
            request = link.PeerReadFrame();
            link.PeerWrite(response);
        });
    }
    void TearDown() override {
        if (peer.joinable()) {
            peer.join();
        }
    }

    PairLink link;
    std::thread peer;
    std::string request;
};

TEST_F(SendCommandTest, SuccessLeavesOnlyTheCommandFields) {
    AnswerWith(Wire({'[', 3, 0, 12, 0, 0, ']'}));
    std::string params;
    DataFrame response;
    response.AddInt(99);
    EXPECT_EQ(link.SendCommand(CmdVersion, params, response, 1000), 0);
    peer.join();
    EXPECT_EQ(request, Wire({'[', 4, 0, '1', '2', ',', 0, ']'}));
    EXPECT_EQ(params, "12,");
    EXPECT_TRUE(response.Empty());

    AnswerWith(Wire({'[', 8, 0, 150, 0, 0, '5', '.', '1', '1', 0, ']'}));
    params = "3";
    EXPECT_EQ(link.SendCommand(CmdTakeIvCurve, params, response, 1000), 0);
    peer.join();
    EXPECT_EQ(request, RequestFrame("150,3"));
    std::string text;
    EXPECT_EQ(response.ExtractString(text), 0);
    EXPECT_EQ(text, "5.11");
}

TEST_F(SendCommandTest, UnitResultWinsOverCommandByte) {
    AnswerWith(Wire({'[', 3, 0, 'E', 0x21, 0x03, ']'}));
    std::string params = "1";
    DataFrame response;
    EXPECT_EQ(link.SendCommand(CmdInitializeLoads, params, response, 1000), 801);
}

TEST_F(SendCommandTest, WrongCommandByteOrShortResponseFails) {
    AnswerWith(Wire({'[', 3, 0, 11, 0, 0, ']'}));
    std::string params;
    DataFrame response;
    EXPECT_EQ(link.SendCommand(CmdVersion, params, response, 1000), VN_Lib::ERR_COMMAND_MISMATCH);
    peer.join();

    AnswerWith(Wire({'[', 2, 0, 12, 0, ']'}));
    params.clear();
    EXPECT_EQ(link.SendCommand(CmdVersion, params, response, 1000), VN_Lib::ERR_SHORT_RESPONSE);
    peer.join();

    // Codes above 255 are compared by their low byte.
    AnswerWith(Wire({'[', 3, 0, 255, 0, 0, ']'}));
    params.clear();
    EXPECT_EQ(link.SendCommand(CmdUnknown, params, response, 1000), 0);
}

TEST_F(SendCommandTest, StaleInputIsDiscardedAndSilenceTimesOut) {
    // An answer left over from an earlier, timed-out exchange.
    link.PeerWrite(Wire({'[', 3, 0, 12, 0, 0, ']'}));
    AnswerWith(Wire({'[', 3, 0, 101, 0, 0, ']'}));
    std::string params = "A,S";
    DataFrame response;
    EXPECT_EQ(link.SendCommand(CmdSample, params, response, 1000), 0);
    peer.join();

    peer = std::thread([this] { request = link.PeerReadFrame(); });
    params.clear();
    EXPECT_EQ(link.SendCommand(CmdVersion, params, response, 100), VN_Lib::ERR_TIMEOUT);
}
