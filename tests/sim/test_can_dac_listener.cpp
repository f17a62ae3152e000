#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "vn_sim/can/can_dac_listener.h"
#include "vn_sim/can/can_wire.h"

namespace {

using VN_Sim::CanFrame_T;

// The message as the unit's load controller builds it: identifier
// 0x4000 + address x 256 in the SIDH/SIDL layout, DAC high byte first.
CanFrame_T DacMessage(int address, unsigned dac, int length = 2) {
    CanFrame_T frame;
    frame.id = static_cast<uint16_t>((0x4000 + (address & 0xF) * 256) >> 5);
    frame.dlc = static_cast<uint8_t>(length);
    frame.data[0] = static_cast<uint8_t>(dac >> 8);
    frame.data[1] = static_cast<uint8_t>(dac & 0xFF);
    return frame;
}

TEST(CanDacListenerTest, DecodesTheSetPointOfEveryLoadAddressOnly) {
    auto wire = std::make_shared<VN_Sim::CanWire>("loads", "");
    std::vector<std::pair<int, unsigned>> heard;
    VN_Sim::CanDacListener listener(wire, [&](int address, unsigned dac) { heard.emplace_back(address, dac); });

    wire->Transmit(nullptr, DacMessage(0, 0x8000));
    wire->Transmit(nullptr, DacMessage(5, 0x1234));
    wire->Transmit(nullptr, DacMessage(15, 0xFFFF));
    CanFrame_T ack;
    ack.id = 2176 >> 5;
    wire->Transmit(nullptr, ack);
    CanFrame_T between = DacMessage(5, 1);
    between.id += 1;
    wire->Transmit(nullptr, between);
    CanFrame_T beyond = DacMessage(15, 1);
    beyond.id += 8;
    wire->Transmit(nullptr, beyond);

    const std::vector<std::pair<int, unsigned>> expected = {{0, 0x8000}, {5, 0x1234}, {15, 0xFFFF}};
    EXPECT_EQ(heard, expected);
    EXPECT_EQ(listener.MalformedCount(), 0);
}

TEST(CanDacListenerTest, MessageOfTheWrongLengthIsReportedNotApplied) {
    auto wire = std::make_shared<VN_Sim::CanWire>("loads", "");
    int calls = 0;
    VN_Sim::CanDacListener listener(wire, [&](int, unsigned) { ++calls; });
    wire->Transmit(nullptr, DacMessage(3, 0x1234, 1));
    wire->Transmit(nullptr, DacMessage(3, 0x1234, 3));
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(listener.MalformedCount(), 2);
}

}  // namespace
