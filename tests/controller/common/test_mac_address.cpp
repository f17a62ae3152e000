// The hardware address of a network interface, as the station reports it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/mac_address.h"

namespace {

TEST(MacAddress, LoopbackIsZeroAndUnknownInterfacesFail) {
    unsigned char mac[6] = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(0, VN_Sample::GetSvrMacAddress("lo", mac));
    for (unsigned char byte : mac) EXPECT_EQ(0, byte);

    for (const std::string& name : std::vector<std::string>{"vn-missing0", "", std::string(40, 'e')}) {
        EXPECT_EQ(-1, VN_Sample::GetSvrMacAddress(name.c_str(), mac)) << name;
    }
}

}  // namespace
