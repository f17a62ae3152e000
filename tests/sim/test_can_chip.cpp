#include <gtest/gtest.h>

#include <memory>

#include "can_test_helpers.h"
#include "test_clocks.h"
#include "vn_sim/can/can_chip.h"
#include "vn_sim/can/can_registers.h"
#include "vn_sim/can/can_wire.h"

namespace {

using VN_Sim::CanChip;
using VN_Sim::CanFrame_T;
using VN_Test::Spi;
namespace Reg = VN_Sim::CanReg;

const uint8_t WriteOp = 0x02;
const uint8_t ReadOp = 0x03;
const uint8_t BitModifyOp = 0x05;
const uint8_t StatusOp = 0xA0;

void Write(CanChip& chip, uint8_t address, uint8_t value) { Spi(chip, {WriteOp, address, value}); }
uint8_t Read(CanChip& chip, uint8_t address) { return Spi(chip, {ReadOp, address, 0x00})[2]; }
uint8_t Status(CanChip& chip) { return Spi(chip, {StatusOp, 0x00})[1]; }

// The configuration the station's driver writes: 1 Mbit/s at 16 MHz,
// buffer 0 open to every frame, then normal mode.
void Configure(CanChip& chip) {
    Spi(chip, {0xC0});
    Write(chip, Reg::CNF1, 0x00);
    Write(chip, Reg::CNF2, 0x98);
    Write(chip, Reg::CNF3, 0x01);
    Write(chip, Reg::RxBuffer(0), 0x20);
    Write(chip, Reg::RxBuffer(1), 0x20);
    Write(chip, Reg::Mask(1), 0xFF);
    Write(chip, Reg::Mask(1) + Reg::FilterSIDL, 0xE0);
    for (int filter = 2; filter < 6; ++filter) Write(chip, Reg::Filter(filter) + Reg::FilterSIDL, 0xA0);
    Write(chip, Reg::CANCTRL, 0x00);
}

CanFrame_T Frame(uint16_t id, std::initializer_list<uint8_t> data) {
    CanFrame_T frame;
    frame.id = id;
    for (uint8_t byte : data) frame.data[frame.dlc++] = byte;
    return frame;
}

class CanChipTest : public ::testing::Test {
protected:
    std::shared_ptr<VN_Sim::CanWire> wire = std::make_shared<VN_Sim::CanWire>("bus", "");
    CanChip chip{wire};
};

TEST_F(CanChipTest, ResetRestoresDefaultsAndConfigurationMode) {
    Configure(chip);
    Write(chip, Reg::CANINTE, 0x5A);
    EXPECT_EQ(Read(chip, Reg::CANSTAT), 0x00);
    Spi(chip, {0xC0});
    EXPECT_EQ(Read(chip, Reg::CANCTRL), 0x87);
    EXPECT_EQ(Read(chip, Reg::CANSTAT), 0x80);
    EXPECT_EQ(Read(chip, 0x5E), 0x80) << "CANSTAT is mirrored in every row";
    EXPECT_EQ(Read(chip, Reg::CANINTE), 0x00);
    EXPECT_EQ(Read(chip, Reg::CNF2), 0x00);
    EXPECT_EQ(chip.FaultCount(), 0);
}

TEST_F(CanChipTest, BitRateFollowsTheConfigurationAndOscillator) {
    Configure(chip);
    EXPECT_DOUBLE_EQ(chip.BitRate(), 1e6);
    CanChip slow(wire, 8e6);
    Configure(slow);
    EXPECT_DOUBLE_EQ(slow.BitRate(), 500e3);
    Spi(chip, {0xC0});
    Write(chip, Reg::CNF1, 0x01);  // prescaler 2
    Write(chip, Reg::CNF2, 0x98);
    Write(chip, Reg::CNF3, 0x01);
    EXPECT_DOUBLE_EQ(chip.BitRate(), 500e3);
    Write(chip, Reg::CNF2, 0x18);  // phase 2 then follows phase 1: 1 + 1 + 4 + 4 quanta
    EXPECT_DOUBLE_EQ(chip.BitRate(), 16e6 / 4 / 10);
}

// Each of these is a driver fault the chip would not report; the simulation
// does, and leaves the registers as the chip would.
TEST_F(CanChipTest, MalformedInstructionsAndRefusedWritesAreCounted) {
    Configure(chip);
    int faults = 0;
    auto expectFault = [&](const char* what) {
        EXPECT_EQ(chip.FaultCount(), ++faults) << what;
    };

    Spi(chip, {0xFF});
    expectFault("unknown instruction");
    Spi(chip, {WriteOp, Reg::CANINTE});
    expectFault("write without its value");
    Spi(chip, {ReadOp, 0x80, 0x00});
    expectFault("address beyond the map");
    Spi(chip, {0x81, 0x00});
    expectFault("byte after request to send");
    Spi(chip, {BitModifyOp, Reg::CANINTF, 0x01});
    expectFault("bit modify without its value");
    chip.Transfer(0x00);
    expectFault("byte without chip select");

    Write(chip, Reg::CANSTAT, 0x00);
    expectFault("read-only CANSTAT");
    Write(chip, Reg::RxBuffer(0) + Reg::D0, 0x55);
    expectFault("read-only receive buffer");
    EXPECT_EQ(Read(chip, Reg::RxBuffer(0) + Reg::D0), 0x00);
    Write(chip, Reg::CNF1, 0x03);
    expectFault("bit timing outside configuration mode");
    EXPECT_DOUBLE_EQ(chip.BitRate(), 1e6);
    Write(chip, Reg::TxBuffer(0), 0x40);
    expectFault("read-only ABTF bit");
    Write(chip, Reg::CANCTRL, 0x40);
    expectFault("loopback mode is not simulated");
    EXPECT_EQ(Read(chip, Reg::CANSTAT) & Reg::REQOP, 0x00);
    Spi(chip, {BitModifyOp, Reg::TxBuffer(0) + Reg::D0, 0x0F, 0x01});
    expectFault("bit modify where the chip writes whole bytes");
    EXPECT_EQ(Read(chip, Reg::TxBuffer(0) + Reg::D0), 0x01);
}

TEST_F(CanChipTest, TransmitRequestClearsWhenTheFrameHasLeft) {
    VN_Test::FakeClock clock(1000000);
    VN_Test::RecordingNode peer;
    wire->Attach(&peer);
    Configure(chip);
    const CanFrame_T frame = Frame(0x123, {1, 2, 3, 4, 5, 6, 7, 8});
    Write(chip, Reg::TxBuffer(0) + Reg::SIDH, 0x123 >> 3);
    Write(chip, Reg::TxBuffer(0) + Reg::SIDL, (0x123 & 7) << 5);
    Write(chip, Reg::TxBuffer(0) + Reg::DLC, 8);
    Spi(chip, {0x41, 1, 2, 3, 4, 5, 6, 7, 8});
    Spi(chip, {0x81});
    const int bitTimeUs = VN_Sim::CanFrameBitLength(frame);  // 1 us per bit

    EXPECT_EQ(Status(chip) & 0x04, 0x04);
    clock.Advance(bitTimeUs - 1);
    EXPECT_EQ(Status(chip) & 0x04, 0x04);
    EXPECT_TRUE(peer.Frames().empty()) << "delivered before its last bit";
    Spi(chip, {0x41, 9});
    EXPECT_EQ(chip.FaultCount(), 1) << "loading a buffer that is being sent";

    clock.Advance(1);
    EXPECT_EQ(Status(chip), 0x08) << "TXREQ clear, TX0IF set";
    ASSERT_EQ(peer.Frames().size(), 1U);
    const CanFrame_T sent = peer.Frames()[0];
    EXPECT_EQ(sent.id, 0x123);
    EXPECT_EQ(sent.dlc, 8);
    EXPECT_EQ(sent.data[7], 8) << "the data loaded before the request, not the refused byte";
    wire->Detach(&peer);
}

TEST_F(CanChipTest, UnacknowledgedFrameStaysPendingUntilWithdrawn) {
    VN_Test::FakeClock clock(1000000);
    Configure(chip);
    Spi(chip, {0x81});
    clock.Advance(10000);
    EXPECT_EQ(Status(chip) & 0x04, 0x04) << "nobody on the wire acknowledges";
    EXPECT_EQ(Read(chip, Reg::TxBuffer(0)) & Reg::TXERR, Reg::TXERR);

    Spi(chip, {BitModifyOp, Reg::TxBuffer(0), Reg::TXREQ, 0x00});
    EXPECT_EQ(Status(chip) & 0x04, 0x00);
    EXPECT_EQ(Read(chip, Reg::TxBuffer(0)) & Reg::ABTF, Reg::ABTF);

    VN_Test::RecordingNode peer;
    wire->Attach(&peer);
    clock.Advance(10000);
    Status(chip);
    EXPECT_TRUE(peer.Frames().empty()) << "a withdrawn frame is never sent";
    Spi(chip, {0x81});
    EXPECT_EQ(Read(chip, Reg::TxBuffer(0)) & Reg::ABTF, 0x00);
    clock.Advance(1000);
    EXPECT_EQ(Status(chip) & 0x04, 0x00);
    EXPECT_EQ(peer.Frames().size(), 1U);
    wire->Detach(&peer);
    EXPECT_EQ(chip.FaultCount(), 0);
}

TEST_F(CanChipTest, ReceiveBufferFreedByReadInstructionOnRelease) {
    Configure(chip);
    chip.ReceiveFrame(Frame(0x044, {0xAB, 0xCD}));
    EXPECT_EQ(Status(chip) & 0x01, 0x01);
    EXPECT_EQ(Read(chip, Reg::RxBuffer(0) + Reg::SIDH), 0x08);
    EXPECT_EQ(Read(chip, Reg::RxBuffer(0) + Reg::SIDL), 0x80);
    EXPECT_EQ(Read(chip, Reg::RxBuffer(0) + Reg::DLC), 2);

    chip.Select();
    chip.Transfer(0x92);
    EXPECT_EQ(chip.Transfer(0x00), 0xAB);
    EXPECT_EQ(chip.Transfer(0x00), 0xCD);
    EXPECT_EQ(chip.PeekRegister(Reg::CANINTF) & Reg::RX0IF, Reg::RX0IF) << "still held while selected";
    chip.Deselect();
    EXPECT_EQ(Status(chip) & 0x01, 0x00);

    chip.ReceiveFrame(Frame(0x044, {}));
    Spi(chip, {BitModifyOp, Reg::CANINTF, Reg::RX0IF, 0x00});
    EXPECT_EQ(Status(chip) & 0x01, 0x00);
    EXPECT_EQ(chip.FaultCount(), 0);
}

TEST_F(CanChipTest, FrameForAFullBufferIsLostAndCounted) {
    Configure(chip);
    chip.ReceiveFrame(Frame(0x010, {1}));
    chip.ReceiveFrame(Frame(0x020, {2}));
    EXPECT_EQ(chip.OverrunCount(0), 1);
    EXPECT_EQ(Read(chip, Reg::EFLG) & Reg::RX0OVR, Reg::RX0OVR);
    EXPECT_EQ(Read(chip, Reg::RxBuffer(0) + Reg::D0), 1) << "the first frame is kept";
    EXPECT_EQ(Read(chip, Reg::CANINTF) & Reg::RX1IF, 0x00) << "no rollover into buffer 1";

    Spi(chip, {BitModifyOp, Reg::CANINTF, Reg::RX0IF, 0x00});
    chip.ReceiveFrame(Frame(0x030, {3}));
    EXPECT_EQ(chip.OverrunCount(0), 1);
    EXPECT_EQ(Read(chip, Reg::RxBuffer(0) + Reg::D0), 3);
}

TEST_F(CanChipTest, MasksAndFiltersChooseTheBuffer) {
    Spi(chip, {0xC0});
    Write(chip, Reg::Mask(0), 0xFF);
    Write(chip, Reg::Mask(0) + Reg::FilterSIDL, 0xE0);
    Write(chip, Reg::Filter(0), 0x100 >> 3);
    Write(chip, Reg::Filter(1), 0x100 >> 3);
    Write(chip, Reg::Mask(1), 0xFF);
    Write(chip, Reg::Mask(1) + Reg::FilterSIDL, 0xE0);
    for (int filter = 2; filter < 6; ++filter) Write(chip, Reg::Filter(filter), 0xFF);
    Write(chip, Reg::Filter(4), 0x123 >> 3);
    Write(chip, Reg::Filter(4) + Reg::FilterSIDL, (0x123 & 7) << 5);
    EXPECT_FALSE(chip.ReceiveFrame(Frame(0x123, {7}))) << "off the bus in configuration mode";
    EXPECT_EQ(Read(chip, Reg::CANINTF), 0x00);
    Write(chip, Reg::CANCTRL, 0x00);

    chip.ReceiveFrame(Frame(0x123, {7}));
    EXPECT_EQ(Status(chip) & 0x03, 0x02);
    EXPECT_EQ(Read(chip, Reg::RxBuffer(1)) & Reg::FILHIT, 4);
    EXPECT_EQ(Read(chip, Reg::RxBuffer(1) + Reg::D0), 7);
    chip.ReceiveFrame(Frame(0x100, {8}));
    EXPECT_EQ(Status(chip) & 0x03, 0x03);
    chip.ReceiveFrame(Frame(0x321, {9}));
    EXPECT_EQ(chip.OverrunCount(0) + chip.OverrunCount(1), 0) << "matches no filter: ignored, not lost";
    EXPECT_EQ(chip.FaultCount(), 0);
}

// Bit timing is hardware time: setting the time of day back or forward by an
// hour while a frame is on the wire neither holds it there nor sends it at once.
TEST_F(CanChipTest, FrameLeavesAfterItsBitsWhateverTheTimeOfDaySays) {
    VN_Test::TestClocks clocks(VN_Test::TestClocks::Frozen);
    VN_Test::RecordingNode peer;
    wire->Attach(&peer);
    Configure(chip);
    const int bitTimeUs = VN_Sim::CanFrameBitLength(Frame(0x123, {1}));  // 1 us per bit
    for (int64_t jump : {int64_t(-3600) * 1000000, int64_t(3600) * 1000000}) {
        SCOPED_TRACE(jump);
        Write(chip, Reg::TxBuffer(0) + Reg::SIDH, 0x123 >> 3);
        Write(chip, Reg::TxBuffer(0) + Reg::SIDL, (0x123 & 7) << 5);
        Write(chip, Reg::TxBuffer(0) + Reg::DLC, 1);
        Spi(chip, {0x41, 1});
        Spi(chip, {0x81});
        VN_Test::TestClocks::ShiftTimeOfDay(jump);
        VN_Test::TestClocks::Elapse(bitTimeUs - 1);
        EXPECT_EQ(Status(chip) & 0x04, 0x04) << "sent before its last bit";
        VN_Test::TestClocks::Elapse(1);
        EXPECT_EQ(Status(chip) & 0x04, 0x00) << "still on the wire";
        Write(chip, Reg::CANINTF, 0x00);
    }
    EXPECT_EQ(peer.Frames().size(), 2U);
    wire->Detach(&peer);
}

}  // namespace
