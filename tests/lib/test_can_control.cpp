#include <gtest/gtest.h>

#include <memory>

#include "can_control.h"
#include "sys_error.h"

using VN_Lib::CanControl;
using VN_Lib::DataFrame;

TEST(CanControl, LinkWithoutBusIsNotOpen) {
    CanControl link;
    EXPECT_EQ(link.LinkKind(), CanControl::LinkCan);
    EXPECT_EQ(link.OpenPort(nullptr), VN_Lib::ERR_LINK_NOT_OPEN);
    EXPECT_EQ(link.OpenOwnedPort(std::unique_ptr<VN_Lib::CanBus>()), VN_Lib::ERR_LINK_NOT_OPEN);
    EXPECT_EQ(link.Descriptor(), -1);

    char buffer[4];
    int count = 7;
    EXPECT_EQ(link.GetData(4, buffer, &count), VN_Lib::ERR_LINK_NOT_OPEN);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(link.SendData(1, "x", 10), VN_Lib::ERR_LINK_NOT_OPEN);
    EXPECT_EQ(link.EmptyInputBuffer(), VN_Lib::ERR_LINK_NOT_OPEN);
    EXPECT_EQ(link.EnableBackgroundInput(), VN_Lib::ERR_LINK_NOT_OPEN);
    EXPECT_EQ(link.PauseBackgroundInput(true), VN_Lib::ERR_LINK_NOT_OPEN);

    DataFrame frame;
    frame.AddString("12,");
    EXPECT_EQ(link.OutputFrame(frame, 10), VN_Lib::ERR_LINK_NOT_OPEN);
    EXPECT_EQ(link.ReadFrame(frame, 10), VN_Lib::ERR_LINK_NOT_OPEN);
    std::string params;
    EXPECT_EQ(link.SendCommand(CmdVersion, params, frame, 10), VN_Lib::ERR_LINK_NOT_OPEN);
}
