// Which address the server side of the command link listens on. Every 127/8
// address reaches this machine's loopback interface, so 127.0.0.2 tells a
// port open on one address from one open on all of them.
#include <gtest/gtest.h>

#include "socket_control.h"
#include "sys_error.h"
#include "test_support.h"

using VN_Lib::SocketControl;
using VN_Test::Connects;

TEST(SocketListenAddress, ServerListensOnLoopbackOnlyUnlessGivenAnAddress) {
    int port = VN_Test::FreeTcpPort();
    SocketControl server;
    ASSERT_EQ(0, server.OpenServerSocket(port));
    EXPECT_TRUE(Connects("127.0.0.1", port));
    EXPECT_FALSE(Connects("127.0.0.2", port));

    SocketControl other;
    int otherPort = VN_Test::FreeTcpPort();
    ASSERT_EQ(0, other.OpenServerSocket(otherPort, "127.0.0.2"));
    EXPECT_TRUE(Connects("127.0.0.2", otherPort));
    EXPECT_FALSE(Connects("127.0.0.1", otherPort));
    // Re-opening keeps the address.
    ASSERT_EQ(0, other.OpenPort());
    EXPECT_TRUE(Connects("127.0.0.2", otherPort));
    EXPECT_FALSE(Connects("127.0.0.1", otherPort));
}

TEST(SocketListenAddress, AnAddressThatIsNoIpv4QuadOpensNothing) {
    for (const char* address : {"", "localhost", "127.0.0", "127.0.0.1 ", "::1", "127.0.0.256"}) {
        int port = VN_Test::FreeTcpPort();
        SocketControl server;
        EXPECT_EQ(VN_Lib::ERR_LINK_NOT_OPEN, server.OpenServerSocket(port, address)) << address;
        EXPECT_FALSE(Connects("127.0.0.1", port)) << address;
        EXPECT_FALSE(Connects("127.0.0.2", port)) << address;
    }
}
