#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "socket_control.h"
#include "sys_error.h"
#include "test_support.h"

using VN_Lib::DataFrame;
using VN_Lib::SocketControl;

namespace {

using VN_Test::RequestFrame;

void WriteAll(int fd, const std::string& bytes) {
    ASSERT_EQ(send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
}

// Polls the server until a whole request has arrived, for up to 5 s.
bool PollUntilDone(SocketControl& server, CommandMessage& message) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    do {
        server.GetCommand(&message);
        if (message.state == CommandMessage::StateDone) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

// Polls the server until it has taken a connection, for up to 5 s.
bool PollUntilConnected(SocketControl& server) {
    CommandMessage message;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!server.Connected() && std::chrono::steady_clock::now() < deadline) {
        server.GetCommand(&message);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return server.Connected();
}

class ScopedFd {
public:
    explicit ScopedFd(int descriptor) : fd(descriptor) {}
    ~ScopedFd() { Reset(); }
    void Reset() {
        if (fd >= 0) {
            close(fd);
        }
        fd = -1;
    }
    int fd;
};

}  // namespace

TEST(SocketControl, ClientAndServerExchangeOverLoopback) {
    int port = VN_Test::FreeTcpPort();
    SocketControl server;
    ASSERT_EQ(server.OpenServerSocket(port), 0);
    EXPECT_EQ(server.Mode(), SocketControl::ModeServer);
    EXPECT_EQ(server.LinkKind(), SocketControl::LinkSocket);

    SocketControl client;
    ASSERT_EQ(client.OpenClientSocket(port), 0);
    EXPECT_EQ(client.Mode(), SocketControl::ModeClient);

    int clientResult = -1;
    std::string version;
    std::thread controller([&] {
        std::string params;
        DataFrame response;
        clientResult = client.SendCommand(CmdVersion, params, response, 5000);
        response.ExtractString(version);
    });

    CommandMessage message;
    ASSERT_TRUE(PollUntilDone(server, message));
    EXPECT_EQ(message.Type(), CmdVersion);
    DataFrame answer;
    answer.AddString("5.11");
    answer.PrependShort(0);
    answer.PrependByte(static_cast<char>(CmdVersion));
    EXPECT_EQ(server.OutputFrame(answer, 1000), 0);
    controller.join();
    EXPECT_EQ(clientResult, 0);
    EXPECT_EQ(version, "5.11");

    EXPECT_EQ(client.Close(), 0);
    EXPECT_EQ(client.LinkKind(), SocketControl::LinkNone);
    EXPECT_EQ(client.Descriptor(), -1);
}

TEST(SocketControl, OpeningFailuresAreReported) {
    int port = VN_Test::FreeTcpPort();
    SocketControl client;
    EXPECT_EQ(client.OpenClientSocket(port), VN_Lib::ERR_CONNECT);
    DataFrame frame;
    EXPECT_EQ(client.ReadFrame(frame, 10), VN_Lib::ERR_LINK_NOT_OPEN);
    EXPECT_EQ(client.SendData(1, "x", 10), VN_Lib::ERR_LINK_NOT_OPEN);

    SocketControl first;
    ASSERT_EQ(first.OpenServerSocket(port), 0);
    SocketControl second;
    EXPECT_EQ(second.OpenServerSocket(port), VN_Lib::ERR_LINK_NOT_OPEN);

    // A client reconnects after the server has come back.
    ASSERT_EQ(client.OpenClientSocket(port), 0);
    first.Close();
    ASSERT_EQ(first.OpenServerSocket(port), 0);
    EXPECT_EQ(client.FixPort(), 0);
    EXPECT_TRUE(PollUntilConnected(first));
}

TEST(SocketControl, LinksKeepTheirOwnReceiverState) {
    int portA = VN_Test::FreeTcpPort();
    SocketControl serverA;
    ASSERT_EQ(serverA.OpenServerSocket(portA), 0);
    int portB = VN_Test::FreeTcpPort();
    SocketControl serverB;
    ASSERT_EQ(serverB.OpenServerSocket(portB), 0);
    ScopedFd clientA(VN_Test::ConnectLoopback(portA, 2000));
    ScopedFd clientB(VN_Test::ConnectLoopback(portB, 2000));
    ASSERT_GE(clientA.fd, 0);
    ASSERT_GE(clientB.fd, 0);
    ASSERT_TRUE(PollUntilConnected(serverA));
    ASSERT_TRUE(PollUntilConnected(serverB));

    // The escape byte in A's length field is pending while B's bytes arrive.
    std::string frameA = RequestFrame("30,no," + std::string(35, 'a'));
    std::string frameB = RequestFrame("102,4");
    ASSERT_EQ(frameA.substr(1, 2), "**");
    // One byte at a time, each taken by its server before the next is sent.
    auto feed = [](int client, SocketControl& server, char byte, CommandMessage& message) {
        WriteAll(client, std::string(1, byte));
        struct pollfd wanted = {server.Descriptor(), POLLIN, 0};
        ASSERT_EQ(poll(&wanted, 1, 5000), 1);
        ASSERT_EQ(server.GetCommand(&message), 0);
    };
    CommandMessage messageA;
    CommandMessage messageB;
    for (size_t i = 0; i < std::max(frameA.size(), frameB.size()); ++i) {
        if (i < frameA.size()) {
            feed(clientA.fd, serverA, frameA[i], messageA);
        }
        if (i < frameB.size()) {
            feed(clientB.fd, serverB, frameB[i], messageB);
        }
    }
    ASSERT_EQ(messageA.state, CommandMessage::StateDone);
    EXPECT_EQ(messageA.Type(), 30);
    EXPECT_EQ(std::string(messageA.parameters[2]), std::string(15, 'a'));
    ASSERT_EQ(messageB.state, CommandMessage::StateDone);
    EXPECT_EQ(messageB.Type(), 102);
    EXPECT_STREQ(messageB.parameters[1], "4");
}

TEST(SocketControl, ServerReplacesAPeerThatWentAway) {
    int port = VN_Test::FreeTcpPort();
    SocketControl server;
    ASSERT_EQ(server.OpenServerSocket(port), 0);
    ScopedFd first(VN_Test::ConnectLoopback(port, 2000));
    ASSERT_GE(first.fd, 0);
    ASSERT_TRUE(PollUntilConnected(server));
    // A restarted controller queues behind the connection being served; the
    // half-sent request of the old one must not leak into the new one's.
    ScopedFd second(VN_Test::ConnectLoopback(port, 2000));
    ASSERT_GE(second.fd, 0);
    std::string oldRequest = RequestFrame("101,A,R");
    WriteAll(first.fd, oldRequest.substr(0, 5));
    struct pollfd arrived = {server.Descriptor(), POLLIN, 0};
    ASSERT_EQ(poll(&arrived, 1, 5000), 1);
    CommandMessage message;
    server.GetCommand(&message);
    first.Reset();

    // The rest of the old request would complete it if the receiver kept its state.
    WriteAll(second.fd, oldRequest.substr(5) + RequestFrame("12,"));
    ASSERT_TRUE(PollUntilDone(server, message));
    EXPECT_EQ(message.Type(), CmdVersion);
    DataFrame answer;
    answer.AddShort(0);
    answer.PrependByte(static_cast<char>(CmdVersion));
    ASSERT_EQ(server.OutputFrame(answer, 1000), 0);
    char reply[16];
    struct pollfd wanted = {second.fd, POLLIN, 0};
    ASSERT_EQ(poll(&wanted, 1, 5000), 1);
    EXPECT_EQ(read(second.fd, reply, sizeof(reply)), 7);

    // Writing to a peer that has gone is an error, not a signal that ends the process.
    second.Reset();
    int result = 0;
    for (int i = 0; i < 50 && result == 0; ++i) {
        DataFrame more;
        more.AddString("late");
        result = server.OutputFrame(more, 100);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(result, VN_Lib::ERR_LINK_NOT_OPEN);
}

// A unit program killed while the controller waits for its reply closes the
// connection: the client learns it at once, whatever its reply time-out, and
// keeps saying so until it connects again.
TEST(SocketControl, ClientSeesAPeerThatClosedMidExchangeUntilItReconnects) {
    int port = VN_Test::FreeTcpPort();
    SocketControl client;
    {
        SocketControl dying;
        ASSERT_EQ(dying.OpenServerSocket(port), 0);
        ASSERT_EQ(client.OpenClientSocket(port), 0);
        int result = -1;
        std::thread controller([&] {
            std::string params = "30,1,1,30.0";
            DataFrame response;
            result = client.SendCommand(CmdCalibrate, params, response, 30000);
        });
        CommandMessage message;
        const bool asked = PollUntilDone(dying, message);
        dying.Close();
        controller.join();
        ASSERT_TRUE(asked);
        EXPECT_EQ(result, VN_Lib::ERR_LINK_NOT_OPEN);
        std::string params;
        DataFrame response;
        EXPECT_EQ(client.SendCommand(CmdVersion, params, response, 30000), VN_Lib::ERR_LINK_NOT_OPEN);
    }

    SocketControl restarted;
    ASSERT_EQ(restarted.OpenServerSocket(port), 0);
    ASSERT_EQ(client.OpenClientSocket(port), 0);
    int result = -1;
    std::thread controller([&] {
        std::string params;
        DataFrame response;
        result = client.SendCommand(CmdVersion, params, response, 5000);
    });
    CommandMessage message;
    const bool asked = PollUntilDone(restarted, message);
    DataFrame answer;
    answer.AddShort(0);
    answer.PrependByte(static_cast<char>(CmdVersion));
    if (asked) restarted.OutputFrame(answer, 1000);
    controller.join();
    ASSERT_TRUE(asked);
    EXPECT_EQ(result, 0);
}
