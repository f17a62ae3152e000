#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_card_fixture.h"

namespace VN_Test {
namespace {

using PortsTest = CardTest;

TEST_F(PortsTest, UnsupportedAccessesAreReportedAndCounted) {
    config.baseAddress = 0x340;
    MakeCard();
    struct Access {
        const char* kind;
        unsigned offset;
        unsigned value;
    };
    const std::vector<Access> faults = {
        {"read", 5, 0},    {"read", 8, 0},     {"read", 1, 0},      {"read", 2, 0},  {"read", 9, 0},
        {"write", 0, 1},   {"write", 2, 1},    {"write", 14, 0x21}, {"write", 3, 0}, {"write", 5, 6},
        {"write", 5, 0x9}, {"readw", 0, 0},    {"readw", 14, 0},    {"writew", 2, 0}, {"writew", 8, 0x1234},
    };
    for (const Access& access : faults) {
        int before = card->FaultCount();
        std::string kind = access.kind;
        testing::internal::CaptureStderr();
        if (kind == "read") {
            EXPECT_EQ(card->ReadByte(access.offset), 0xFF);
        }
        if (kind == "readw") {
            EXPECT_EQ(card->ReadWord(access.offset), 0xFFFF);
        }
        if (kind == "write") card->WriteByte(access.offset, static_cast<uint8_t>(access.value));
        if (kind == "writew") card->WriteWord(access.offset, static_cast<uint16_t>(access.value));
        std::string message = testing::internal::GetCapturedStderr();
        EXPECT_EQ(card->FaultCount(), before + 1) << kind << " at " << access.offset;
        char port[16];
        std::snprintf(port, sizeof(port), "port 0x%X", 0x340 + access.offset);
        EXPECT_THAT(message, testing::HasSubstr(port));
    }
    // The legal set makes none.
    int before = card->FaultCount();
    card->ReadByte(0);
    card->ReadWord(2);
    card->WriteByte(5, 3);
    card->WriteByte(5, 7);
    card->ReadByte(4);
    card->WriteWord(6, 0x1234);
    card->ReadByte(10);
    card->ReadWord(12);
    card->WriteByte(8, 0x07);
    EXPECT_EQ(card->FaultCount(), before);
}

TEST_F(PortsTest, GpioWordIsALatchReadBackWholeOrByByte) {
    MakeCard();
    card->WriteWord(Gpio, 0xA55A);
    EXPECT_EQ(card->ReadWord(Gpio), 0xA55A);
    EXPECT_EQ(card->ReadByte(6), 0x5A);
    EXPECT_EQ(card->ReadByte(7), 0xA5);
    card->WriteByte(7, 0x3C);
    EXPECT_EQ(card->ReadWord(Gpio), 0x3C5A);
    card->WriteByte(6, 0x01);
    EXPECT_EQ(card->GpioWord(), 0x3C01);
}

TEST_F(PortsTest, VersionBytes) {
    config.boardVersion = 0x32;
    config.fpgaVersion = 0x15;
    MakeCard();
    EXPECT_EQ(card->ReadByte(14), 0x32);
    EXPECT_EQ(card->ReadByte(15), 0x15);
}

TEST_F(PortsTest, TachometersFollowTheFanLevelWithALag) {
    config.fanCard = true;
    MakeCard();
    card->WriteByte(Gpio, 255);
    EXPECT_LT(card->ReadByte(10), 3) << "fans cannot be at speed at once";
    ClockOffsetUs().store(static_cast<int64_t>(config.fanLagSeconds * 0.5 * 1e6));
    int halfway = card->ReadByte(10);
    EXPECT_GT(halfway, 10);
    EXPECT_LT(halfway, 35);
    ClockOffsetUs().store(static_cast<int64_t>(config.fanLagSeconds * 20 * 1e6));
    for (int fan = 0; fan < 4; ++fan) {
        EXPECT_NEAR(card->ReadByte(10 + fan), config.fanFullRpm[fan] / 71.526, 1.0) << fan;
    }
    uint16_t word = card->ReadWord(12);
    EXPECT_EQ(word & 0xFF, card->ReadByte(12));
    EXPECT_EQ(word >> 8, card->ReadByte(13));
    EXPECT_NE(word & 0xFF, word >> 8) << "fans 2 and 3 differ, so a swapped byte shows";
}

TEST_F(PortsTest, OnlyTheFanCardDrivesFans) {
    MakeCard();
    card->WriteByte(Gpio, 255);
    ClockOffsetUs().store(int64_t{10} * 1000000);
    EXPECT_EQ(card->ReadWord(10), 0);
    EXPECT_EQ(card->FanRpm(0), 0.0);
}

// Records what a device on the SPI port sees; replies with the byte sent + 1.
class RecordingDevice : public VN_Sim::SpiDevice {
public:
    void Select() override { events.push_back("select"); }
    void Deselect() override { events.push_back("deselect"); }
    uint8_t Transfer(uint8_t mosi) override {
        events.push_back(std::to_string(mosi));
        return static_cast<uint8_t>(mosi + 1);
    }
    std::vector<std::string> events;
};

TEST_F(PortsTest, SpiExchangesBytesWithTheSelectedDeviceInBitTime) {
    config.spiClockHz = 100;  // 80 ms a byte: busy is seen even by a thread held up
    MakeCard();
    auto device = std::make_shared<RecordingDevice>();
    ASSERT_EQ(card->AttachSpiDevice(4, device), 0);
    card->WriteByte(SpiSelect, 4);
    card->WriteByte(SpiData, 0x41);
    uint8_t status = card->ReadByte(Status);
    EXPECT_TRUE(status & 0x04) << "busy while the byte is shifted";
    EXPECT_FALSE(status & 0x02);
    ClockOffsetUs().fetch_add(100000);
    status = card->ReadByte(Status);
    EXPECT_FALSE(status & 0x04);
    EXPECT_TRUE(status & 0x02);
    EXPECT_EQ(card->ReadByte(SpiData), 0x42);
    EXPECT_FALSE(card->ReadByte(Status) & 0x02) << "reading takes the received byte";
    ClockOffsetUs().fetch_add(100000);
    EXPECT_EQ(card->ReadByte(SpiData), 0x01) << "the read clocked 0x00 through the device";
    card->WriteByte(SpiSelect, 7);
    EXPECT_EQ(device->events, (std::vector<std::string>{"select", "65", "0", "0", "deselect"}));

    // Nothing on select 2, nothing selected: the line floats high.
    card->WriteByte(SpiSelect, 2);
    card->WriteByte(SpiData, 0x10);
    ClockOffsetUs().fetch_add(100000);
    card->ReadByte(SpiData);
    ClockOffsetUs().fetch_add(100000);
    EXPECT_EQ(card->ReadByte(SpiData), 0xFF);
    EXPECT_EQ(card->FaultCount(), 0);
}

TEST_F(PortsTest, SpiDevicesAttachOnlyToTheCanSelects) {
    MakeCard();
    auto device = std::make_shared<RecordingDevice>();
    for (int select : {0, 1, 4, 5}) EXPECT_EQ(card->AttachSpiDevice(select, device), 0) << select;
    for (int select : {-1, 2, 3, 6, 7}) EXPECT_EQ(card->AttachSpiDevice(select, device), 1) << select;
}

TEST_F(PortsTest, SpiOverrunIsAFault) {
    config.spiClockHz = 100;  // 80 ms a byte, so three writes surely overlap
    MakeCard();
    card->WriteByte(SpiData, 1);
    card->WriteByte(SpiData, 2);
    EXPECT_EQ(card->FaultCount(), 0) << "one byte may wait behind the one being shifted";
    testing::internal::CaptureStderr();
    card->WriteByte(SpiData, 3);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(card->FaultCount(), 1);
}

}  // namespace
}  // namespace VN_Test
