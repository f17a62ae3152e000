#include <gtest/gtest.h>

#include <vector>

#include "vn_sim/can/can_frame.h"

namespace {

using VN_Sim::CanFrame_T;

CanFrame_T Frame(uint16_t id, int dlc, uint8_t fill) {
    CanFrame_T frame;
    frame.id = id;
    frame.dlc = static_cast<uint8_t>(dlc);
    for (uint8_t& byte : frame.data) byte = fill;
    return frame;
}

TEST(CanFrameTest, BitLengthCountsTheStuffBitsTheContentNeeds) {
    // Identifier 0, no data: 34 dominant bits from start of frame to the CRC
    // (which is 0 too) need a stuff bit after every fifth: 6 of them.
    EXPECT_EQ(VN_Sim::CanFrameBitLength(Frame(0, 0, 0)), 34 + 6 + 13);

    for (int dlc = 0; dlc <= 8; ++dlc) {
        for (uint8_t fill : {0x00, 0x55, 0xFF}) {
            const int unstuffed = 47 + 8 * dlc;
            const int bits = VN_Sim::CanFrameBitLength(Frame(0x2AA, dlc, fill));
            EXPECT_GE(bits, unstuffed);
            EXPECT_LE(bits, unstuffed + (34 + 8 * dlc - 1) / 4);
        }
    }
    EXPECT_GT(VN_Sim::CanFrameBitLength(Frame(0x2AA, 8, 0x00)), VN_Sim::CanFrameBitLength(Frame(0x2AA, 8, 0x55)))
        << "long runs of equal bits need more stuffing than alternating ones";
    EXPECT_LE(VN_Sim::CanFrameBitLength(Frame(0x2AA, 15, 0x55)), 47 + 64 + (34 + 64 - 1) / 4)
        << "a DLC above 8 still carries 8 bytes";
}

TEST(CanFrameTest, DatagramRoundTripAndRejectsMalformedBytes) {
    CanFrame_T frame = Frame(0x7FF, 3, 0);
    frame.data[0] = 1;
    frame.data[1] = 2;
    frame.data[2] = 3;
    std::vector<uint8_t> bytes = VN_Sim::EncodeCanDatagram(frame);
    ASSERT_EQ(bytes.size(), 9U);
    CanFrame_T decoded;
    ASSERT_EQ(VN_Sim::DecodeCanDatagram(bytes.data(), bytes.size(), &decoded), 0);
    EXPECT_EQ(decoded.id, 0x7FF);
    EXPECT_EQ(decoded.dlc, 3);
    EXPECT_EQ(decoded.data[2], 3);

    const CanFrame_T untouched = decoded;
    auto rejected = [&](std::vector<uint8_t> bad) {
        return VN_Sim::DecodeCanDatagram(bad.data(), bad.size(), &decoded) == 1 && decoded.id == untouched.id;
    };
    EXPECT_TRUE(rejected({}));
    EXPECT_TRUE(rejected({'V', 'C', 1, 0, 1}));
    EXPECT_TRUE(rejected({'V', 'C', 1, 0, 1, 3, 1, 2})) << "shorter than its DLC";
    EXPECT_TRUE(rejected({'V', 'C', 1, 0, 1, 1, 1, 2})) << "longer than its DLC";
    EXPECT_TRUE(rejected({'V', 'C', 1, 0x08, 0x00, 0})) << "identifier beyond 11 bits";
    EXPECT_TRUE(rejected({'V', 'C', 1, 0, 1, 0x10})) << "DLC beyond 4 bits";
    EXPECT_TRUE(rejected({'V', 'D', 1, 0, 1, 0}));
    EXPECT_TRUE(rejected({'V', 'C', 2, 0, 1, 0}));

    std::vector<uint8_t> longFrame = VN_Sim::EncodeCanDatagram(Frame(0x100, 12, 0xEE));
    EXPECT_EQ(longFrame.size(), 6U + 8U) << "DLC 12 carries 8 bytes";
    ASSERT_EQ(VN_Sim::DecodeCanDatagram(longFrame.data(), longFrame.size(), &decoded), 0);
    EXPECT_EQ(decoded.dlc, 12);
}

}  // namespace
