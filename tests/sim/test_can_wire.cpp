#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>

#include "can_test_helpers.h"
#include "test_support.h"
#include "vn_sim/can/can_wire.h"

namespace {

using VN_Sim::CanFrame_T;
using VN_Sim::CanWire;
using VN_Test::RecordingNode;

CanFrame_T Frame(uint16_t id, uint8_t first) {
    CanFrame_T frame;
    frame.id = id;
    frame.dlc = 2;
    frame.data[0] = first;
    frame.data[1] = 0x5A;
    return frame;
}

// A datagram socket bound at path; -1 on failure.
int BindSocket(const std::string& path) {
    int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
    struct sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    if (bind(fd, reinterpret_cast<struct sockaddr*>(&address), sizeof(address)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

TEST(CanWireTest, EveryNodeButTheSenderReceives) {
    CanWire wire("bus", "");
    EXPECT_FALSE(wire.IsLinked());
    RecordingNode a, b, c;
    wire.Attach(&a);
    wire.Attach(&b);
    wire.Attach(&c);
    wire.Attach(&c);
    EXPECT_EQ(wire.Transmit(&a, Frame(0x100, 1)), 2);
    EXPECT_TRUE(a.Frames().empty());
    ASSERT_EQ(b.Frames().size(), 1U);
    EXPECT_EQ(c.Frames().size(), 1U) << "attaching twice does not deliver twice";
    EXPECT_EQ(b.Frames()[0].data[0], 1);
    wire.Detach(&b);
    EXPECT_EQ(wire.Transmit(&a, Frame(0x100, 2)), 1);
    EXPECT_EQ(b.Frames().size(), 1U);
    wire.Detach(&a);
    wire.Detach(&c);
    EXPECT_EQ(wire.Transmit(nullptr, Frame(0x100, 3)), 0) << "nobody there to acknowledge";
}

// The child answers the first frame it hears with identifier + 1; its exit
// code says how that went.
int EchoOnce(const std::string& folder, const std::string& readyFile) {
    CanWire wire("bus", folder);
    RecordingNode node;
    wire.Attach(&node);
    VN_Test::WriteFile(readyFile, "");
    int code = 2;
    if (VN_Test::WaitFor([&] { return !node.Frames().empty(); }, 10000)) {
        CanFrame_T answer = node.Frames()[0];
        answer.id = static_cast<uint16_t>(answer.id + 1);
        code = wire.Transmit(&node, answer) == 1 ? 0 : 3;
    }
    wire.Detach(&node);
    return code;
}

TEST(CanWireTest, FramesTravelBetweenProcesses) {
    VN_Test::TempDir dir;
    const std::string folder = dir.Path() + "/can";
    const std::string readyFile = dir.File("child_ready");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(EchoOnce(folder, readyFile));

    ASSERT_TRUE(VN_Test::WaitFor([&] { return VN_Test::FileExists(readyFile); }, 10000));
    {
        CanWire wire("bus", folder);
        ASSERT_TRUE(wire.IsLinked());
        RecordingNode node;
        wire.Attach(&node);
        EXPECT_EQ(wire.Transmit(&node, Frame(0x100, 7)), 1);
        EXPECT_TRUE(VN_Test::WaitFor([&] { return !node.Frames().empty(); }, 10000));
        wire.Detach(&node);
        ASSERT_EQ(node.Frames().size(), 1U);
        EXPECT_EQ(node.Frames()[0].id, 0x101);
        EXPECT_EQ(node.Frames()[0].data[0], 7);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
}

TEST(CanWireTest, DeadAndStalledPeersBlockNobody) {
    VN_Test::TempDir dir;
    CanWire wire("bus", dir.Path() + "/can");
    ASSERT_TRUE(wire.IsLinked());
    // A dead process leaves its socket file behind with nobody bound to it.
    const std::string deadPath = dir.Path() + "/can/bus/999999-0.sock";
    int dead = BindSocket(deadPath);
    ASSERT_GE(dead, 0);
    close(dead);
    // A live process that has stopped reading.
    int stalled = BindSocket(dir.Path() + "/can/bus/999998-0.sock");
    ASSERT_GE(stalled, 0);

    EXPECT_EQ(wire.Transmit(nullptr, Frame(0x100, 0)), 1) << "only the live peer counts";
    EXPECT_FALSE(VN_Test::FileExists(deadPath)) << "the dead peer's socket is removed";
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 500; ++i) wire.Transmit(nullptr, Frame(0x100, static_cast<uint8_t>(i)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_GT(wire.Link()->DroppedFrames(), 0) << "the stalled peer's queue filled up";
    close(stalled);
}

TEST(CanWireTest, MalformedDatagramsAreRejected) {
    VN_Test::TempDir dir;
    CanWire wire("bus", dir.Path() + "/can");
    ASSERT_TRUE(wire.IsLinked());
    RecordingNode node;
    wire.Attach(&node);
    int sender = socket(AF_UNIX, SOCK_DGRAM, 0);
    struct sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, wire.Link()->SocketPath().c_str(), sizeof(address.sun_path) - 1);
    auto sendBytes = [&](std::vector<uint8_t> bytes) {
        sendto(sender, bytes.data(), bytes.size(), 0, reinterpret_cast<struct sockaddr*>(&address), sizeof(address));
    };
    sendBytes({'V', 'C', 1, 0x01});
    sendBytes(std::vector<uint8_t>(200, 0x41));
    sendBytes(VN_Sim::EncodeCanDatagram(Frame(0x123, 9)));
    EXPECT_TRUE(VN_Test::WaitFor([&] { return !node.Frames().empty(); }, 5000));
    EXPECT_EQ(wire.Link()->RejectedDatagrams(), 2);
    ASSERT_EQ(node.Frames().size(), 1U);
    EXPECT_EQ(node.Frames()[0].id, 0x123);
    close(sender);
    wire.Detach(&node);
}

TEST(CanWireTest, BusNameCannotLeaveTheLinkFolder) {
    VN_Test::TempDir dir;
    for (const char* name : {"../escape", "..", "a/b", ""}) {
        CanWire wire(name, dir.Path() + "/can");
        EXPECT_FALSE(wire.IsLinked()) << name;
    }
    EXPECT_FALSE(VN_Test::FileExists(dir.File("escape")));
    EXPECT_FALSE(VN_Test::FileExists(dir.File("can/a")));
}

}  // namespace
