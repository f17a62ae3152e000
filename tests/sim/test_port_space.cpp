#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "port_io.h"
#include "vn_sim/port_space.h"

namespace {

// Records every access; reads answer 0x40 + offset.
class RecordingDevice : public VN_Sim::PortDevice {
public:
    uint8_t ReadByte(unsigned offset) override {
        reads.push_back(offset);
        return static_cast<uint8_t>(0x40 + offset);
    }
    void WriteByte(unsigned offset, uint8_t value) override { writes.emplace_back(offset, value); }

    std::vector<unsigned> reads;
    std::vector<std::pair<unsigned, uint8_t>> writes;
};

class PortSpaceTest : public ::testing::Test {
protected:
    void TearDown() override { space.UnmapAll(); }
    VN_Sim::PortSpace& space = VN_Sim::PortSpace::Instance();
};

TEST_F(PortSpaceTest, UnmappedPortsBehaveAsAnAbsentDevice) {
    EXPECT_EQ(VN_Lib::init_io_port(0x300, 16), 0);
    EXPECT_EQ(VN_Lib::_inp(0x300), 0xFF);
    EXPECT_EQ(VN_Lib::_inpw(0x300), 0xFFFF);
    VN_Lib::_outp(0x300, 0x12);
    VN_Lib::_outpw(0x300, 0x1234);
    EXPECT_EQ(space.Read(-1), 0xFF);
    EXPECT_EQ(space.Read(0x10000), 0xFF);
    EXPECT_EQ(space.ReadWord(0xFFFF), 0xFFFF);
}

TEST_F(PortSpaceTest, AccessesReachTheMappedDeviceAtTheirOffset) {
    auto device = std::make_shared<RecordingDevice>();
    ASSERT_EQ(space.Map(0x300, 16, device), 0);
    EXPECT_EQ(VN_Lib::_inp(0x305), 0x45);
    EXPECT_EQ(VN_Lib::_inp(0x2FF), 0xFF);
    EXPECT_EQ(VN_Lib::_inp(0x310), 0xFF);
    VN_Lib::_outp(0x30F, static_cast<char>(0x80));
    VN_Lib::_outpw(0x302, 0x7ABCD);  // only the low 16 bits go out
    EXPECT_EQ(VN_Lib::_inpw(0x304), 0x4544);
    ASSERT_EQ(device->writes.size(), 3U);
    EXPECT_EQ(device->writes[0], std::make_pair(15U, uint8_t(0x80)));
    EXPECT_EQ(device->writes[1], std::make_pair(2U, uint8_t(0xCD)));
    EXPECT_EQ(device->writes[2], std::make_pair(3U, uint8_t(0xAB)));
}

TEST_F(PortSpaceTest, WordAccessAcrossTheBlockEdgeSplitsIntoBytes) {
    auto device = std::make_shared<RecordingDevice>();
    ASSERT_EQ(space.Map(0x300, 16, device), 0);
    EXPECT_EQ(space.ReadWord(0x30F), 0xFF4F);
    EXPECT_EQ(device->reads, std::vector<unsigned>{15});
    space.WriteWord(0x30F, 0x1122);
    ASSERT_EQ(device->writes.size(), 1U);
    EXPECT_EQ(device->writes[0], std::make_pair(15U, uint8_t(0x22)));
}

TEST_F(PortSpaceTest, MapRejectsOverlapsEmptyAndOutOfSpaceRanges) {
    auto device = std::make_shared<RecordingDevice>();
    ASSERT_EQ(space.Map(0x300, 16, device), 0);
    EXPECT_EQ(space.Map(0x2F8, 9, device), 1);
    EXPECT_EQ(space.Map(0x30F, 4, device), 1);
    EXPECT_EQ(space.Map(0x304, 2, device), 1);
    EXPECT_EQ(space.Map(0x2F0, 0x40, device), 1);
    EXPECT_EQ(space.Map(0x310, 0, device), 1);
    EXPECT_EQ(space.Map(0xFFF0, 0x20, device), 1);
    EXPECT_EQ(space.Map(0x320, 4, nullptr), 1);
    EXPECT_EQ(space.Map(0x2F0, 0x10, device), 0);
    EXPECT_EQ(space.Map(0x310, 0x10, device), 0);
    space.UnmapAll();
    EXPECT_EQ(space.Read(0x300), 0xFF);
}

// A device with no lock of its own: the port space's lock must serialise it.
class CountingDevice : public VN_Sim::PortDevice {
public:
    uint8_t ReadByte(unsigned) override { return static_cast<uint8_t>(count); }
    void WriteByte(unsigned, uint8_t) override { ++count; }
    int count = 0;
};

TEST_F(PortSpaceTest, ConcurrentAccessesAreSerialised) {
    auto device = std::make_shared<CountingDevice>();
    ASSERT_EQ(space.Map(0x300, 2, device), 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 1000; ++i) VN_Lib::_outp(0x300, 1);
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(device->count, 4000);
}

}  // namespace
