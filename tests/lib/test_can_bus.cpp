#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "../sim/can_test_helpers.h"
#include "analog104.h"
#include "can_bus.h"
#include "instruction_spy.h"
#include "test_support.h"
#include "vn_sim/can/can_chip.h"
#include "vn_sim/can/can_dac_listener.h"
#include "vn_sim/can/can_registers.h"
#include "vn_sim/can/can_wire.h"
#include "vn_sim/card/analog_card.h"
#include "vn_sim/port_space.h"

namespace {

using VN_Lib::CanBus;
using VN_Test::InstructionSpy;
using VN_Sim::CanFrame_T;
namespace Reg = VN_Sim::CanReg;

const unsigned ControllerBase = 0x300;
const unsigned UnitBase = 0x340;
const uint16_t AckId = CanBus::AckIdentifier >> 5;

// A simulated card in the port space with a CAN chip on one chip select,
// and the driver's view of that card.
struct CardWithChip {
    CardWithChip(const VN_Test::TempDir& dir, unsigned base, int select, std::shared_ptr<VN_Sim::CanWire> wire) {
        VN_Sim::AnalogCardConfig_T config;
        config.baseAddress = base;
        config.eepromPath = dir.File("eeprom_" + std::to_string(base) + ".bin");
        card = std::make_shared<VN_Sim::AnalogCard>(config);
        chip = std::make_shared<VN_Sim::CanChip>(std::move(wire));
        spy = std::make_shared<InstructionSpy>(chip);
        card->AttachSpiDevice(select, spy);
        VN_Sim::PortSpace::Instance().Map(base, VN_Sim::AnalogCard::PortCount, card);
        io = std::make_unique<VN_Lib::Analog104>(static_cast<int>(base));
    }
    std::shared_ptr<VN_Sim::AnalogCard> card;
    std::shared_ptr<VN_Sim::CanChip> chip;
    std::shared_ptr<InstructionSpy> spy;
    std::unique_ptr<VN_Lib::Analog104> io;
};

// Collects what a bus's GetData delivers, on its own thread, until count
// bytes have come or the time is up.
std::string Collect(CanBus& bus, size_t count, int timeoutMs) {
    std::string received;
    VN_Test::WaitFor(
        [&] {
            char buffer[64];
            int got = 0;
            if (bus.GetData(sizeof(buffer), buffer, &got) == 0) received.append(buffer, static_cast<size_t>(got));
            if (got == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
            return received.size() >= count;
        },
        timeoutMs);
    return received;
}

// The controller's bus on interface 0 of one card and a unit's bus on
// interface 1 of another, both chips on one wire with a tap listening.
class CanBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        wire->Attach(&tap);
        ASSERT_EQ(controller->Initialize(controllerSide.io.get(), 0), 0);
        ASSERT_EQ(unit->Initialize(unitSide.io.get(), 1), 0);
    }
    // Every exchange must be framed as the chip expects: a driver fault shows here.
    void TearDown() override {
        controller.reset();
        unit.reset();
        wire->Detach(&tap);
        EXPECT_EQ(controllerSide.chip->FaultCount(), 0);
        EXPECT_EQ(unitSide.chip->FaultCount(), 0);
        EXPECT_EQ(controllerSide.card->FaultCount(), 0);
        EXPECT_EQ(unitSide.card->FaultCount(), 0);
        VN_Sim::PortSpace::Instance().UnmapAll();
    }

    std::vector<CanFrame_T> Frames() { return tap.Frames(); }

    // Waits until a side's chip has served this many more instructions: a
    // receive thread that finds nothing reads the chip's status once a poll.
    static void WaitForPolls(CardWithChip& side, size_t polls) {
        const size_t before = side.spy->Instructions().size();
        ASSERT_TRUE(VN_Test::WaitFor([&] { return side.spy->Instructions().size() >= before + polls; }, 5000));
    }
    // Lets the controller's receive thread poll a few times: long enough for
    // any other receive thread of this process to have polled as well.
    void LetReceiveThreadsPoll() {
        ASSERT_EQ(controller->EnableBackgroundInput(), 0);
        WaitForPolls(controllerSide, 5);
    }

    VN_Test::TempDir dir;
    std::shared_ptr<VN_Sim::CanWire> wire = std::make_shared<VN_Sim::CanWire>("bus", "");
    VN_Test::RecordingNode tap;
    CardWithChip controllerSide{dir, ControllerBase, 0, wire};
    CardWithChip unitSide{dir, UnitBase, 1, wire};
    std::unique_ptr<CanBus> controller = std::make_unique<CanBus>();
    std::unique_ptr<CanBus> unit = std::make_unique<CanBus>();
};

TEST_F(CanBusTest, InitializeConfiguresTheChipForNormalOperation) {
    EXPECT_TRUE(controller->IsInitialized());
    EXPECT_EQ(controllerSide.chip->PeekRegister(Reg::CANSTAT) & Reg::REQOP, Reg::ModeNormal);
    EXPECT_DOUBLE_EQ(controllerSide.chip->BitRate(), 1e6);
    EXPECT_EQ(controllerSide.chip->PeekRegister(Reg::Mask(0)), 0x00);
    EXPECT_EQ(controllerSide.spy->Instructions()[0], 0xC0);
    EXPECT_EQ(unitSide.chip->PeekRegister(Reg::CANSTAT) & Reg::REQOP, Reg::ModeNormal);
}

TEST_F(CanBusTest, InitializeRefusesAMissingCardOrUnknownInterface) {
    CanBus bus;
    EXPECT_EQ(bus.Initialize(controllerSide.io.get(), 4), 631);
    EXPECT_EQ(bus.Initialize(controllerSide.io.get(), -1), 631);
    EXPECT_EQ(bus.Initialize(nullptr, 0), 604);
    EXPECT_FALSE(bus.IsInitialized());

    // A bus without a chip fails every operation instead of touching a card.
    char data[8] = {};
    int got = -1;
    EXPECT_EQ(bus.SendData(0, 3, data, 10), 631);
    EXPECT_EQ(bus.GetData(8, data, &got), 631);
    EXPECT_EQ(got, 0);
    EXPECT_EQ(bus.EmptyInputBuffer(), 631);
    EXPECT_EQ(bus.EnableBackgroundInput(), 631);
    EXPECT_EQ(bus.PauseBackgroundInput(true), 0);

    EXPECT_EQ(unit->Initialize(unitSide.io.get(), 7), 631);
    EXPECT_FALSE(unit->IsInitialized());
}

class CanBusTransferTest : public CanBusTest, public ::testing::WithParamInterface<int> {};

// The unit answering a request: its receive thread paused, SendData splits
// the bytes into acknowledged messages that the controller reads on demand.
TEST_P(CanBusTransferTest, SendDataSplitsIntoAcknowledgedMessages) {
    const int count = GetParam();
    std::string sent;
    for (int i = 0; i < count; ++i) sent += static_cast<char>('a' + i);
    ASSERT_EQ(unit->EnableBackgroundInput(), 0);
    ASSERT_EQ(unit->PauseBackgroundInput(true), 0);

    std::string received;
    std::thread reader([&] { received = Collect(*controller, sent.size(), 5000); });
    EXPECT_EQ(unit->SendData(0, count, sent.data(), 1000), 0);
    reader.join();
    EXPECT_EQ(received, sent);

    std::vector<int> lengths;
    for (const CanFrame_T& frame : Frames()) lengths.push_back(frame.id == AckId ? -1 : frame.dlc);
    std::vector<int> expected;
    for (int left = count; left > 0; left -= 8) {
        expected.push_back(std::min(left, 8));
        expected.push_back(-1);  // the controller's acknowledgement
    }
    EXPECT_EQ(lengths, expected);
}

INSTANTIATE_TEST_SUITE_P(ByteCounts, CanBusTransferTest, ::testing::Values(0, 8, 9, 16));

// Sent message by message: in one process SendData's SPI lock would keep
// the receive thread out (the two sides of a real link are two processes).
TEST_F(CanBusTest, BackgroundThreadTakesAndAcknowledgesMessages) {
    ASSERT_EQ(unit->EnableBackgroundInput(), 0);
    EXPECT_EQ(controller->SendStandardMessage(0, 8, "request:", true, 1000), 0);
    EXPECT_EQ(controller->SendStandardMessage(0, 1, "!", true, 1000), 0);
    EXPECT_EQ(Collect(*unit, 9, 5000), "request:!");
}

TEST_F(CanBusTest, AcknowledgementIsNeverAcknowledged) {
    EXPECT_EQ(controller->SendAckMessage(), 0);
    unsigned short identifier = 0;
    int count = -1;
    char data[8];
    EXPECT_EQ(unit->GetStandardMessage(&identifier, &count, data), 0);
    EXPECT_EQ(identifier, CanBus::AckIdentifier);
    EXPECT_EQ(count, 0);
    // An in-process wire delivers while the sender transmits: an answer would be here already.
    EXPECT_EQ(Frames().size(), 1U);
    EXPECT_EQ(unitSide.chip->PeekRegister(Reg::CANINTF) & Reg::RX0IF, 0);
}

TEST_F(CanBusTest, EmptyMessageIsFreedWithoutABufferRead) {
    EXPECT_EQ(controller->SendStandardMessage(0, 0, nullptr), 0);
    unsigned short identifier = 1;
    int count = -1;
    char data[8];
    EXPECT_EQ(unit->GetStandardMessage(&identifier, &count, data), 0);
    EXPECT_EQ(identifier, 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(unitSide.chip->PeekRegister(Reg::CANINTF) & Reg::RX0IF, 0);
    const std::vector<uint8_t> instructions = unitSide.spy->Instructions();
    EXPECT_EQ(std::count(instructions.begin(), instructions.end(), 0x92), 0);
    ASSERT_EQ(Frames().size(), 2U);
    EXPECT_EQ(Frames()[1].id, AckId) << "an empty data message is still acknowledged";
}

TEST_F(CanBusTest, GetDataHandsOutWhatWasAskedForInOrder) {
    EXPECT_EQ(controller->SendStandardMessage(0, 5, "abcde"), 0);
    char buffer[8] = {};
    int got = 0;
    EXPECT_EQ(unit->GetData(3, buffer, &got), 0);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(got)), "abc");
    EXPECT_EQ(unit->GetData(3, buffer, &got), 0);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(got)), "de");
    EXPECT_EQ(unit->GetData(3, buffer, &got), 0);
    EXPECT_EQ(got, 0);
}

TEST_F(CanBusTest, PausedThreadLeavesTheChipAlone) {
    ASSERT_EQ(unit->EnableBackgroundInput(), 0);
    WaitForPolls(unitSide, 3);
    ASSERT_EQ(unit->PauseBackgroundInput(true), 0);
    EXPECT_EQ(controller->SendStandardMessage(0, 4, "wxyz"), 0);
    LetReceiveThreadsPoll();
    EXPECT_EQ(unitSide.chip->PeekRegister(Reg::CANINTF) & Reg::RX0IF, Reg::RX0IF);
    EXPECT_EQ(Collect(*unit, 1, 10), "");

    ASSERT_EQ(unit->PauseBackgroundInput(false), 0);
    EXPECT_EQ(Collect(*unit, 4, 5000), "wxyz");
    EXPECT_TRUE(VN_Test::WaitFor([&] { return Frames().size() == 2; }, 5000)) << "acknowledged once resumed";
}

TEST_F(CanBusTest, MessageForAFullReceiveBufferIsLost) {
    EXPECT_EQ(controller->SendStandardMessage(0, 2, "12"), 0);
    EXPECT_EQ(controller->SendStandardMessage(0, 2, "34"), 0);
    EXPECT_EQ(unitSide.chip->OverrunCount(0), 1);
    EXPECT_EQ(Collect(*unit, 4, 20), "12");
}

TEST_F(CanBusTest, UnsentAndUnacknowledgedMessagesTimeOut) {
    // The unit's chip back in configuration mode and the tap gone: nobody acknowledges.
    wire->Detach(&tap);
    ASSERT_EQ(unit->ResetInterface(), 0);
    EXPECT_EQ(controller->SendStandardMessage(0, 2, "hi"), 12);
    EXPECT_EQ(controllerSide.chip->PeekRegister(Reg::TxBuffer(0)) & Reg::TXREQ, 0) << "request withdrawn";
    EXPECT_EQ(controller->SendStandardMessage(0, 2, "hi"), 12);

    ASSERT_EQ(unit->Reset(), 0);
    EXPECT_EQ(controller->SendStandardMessage(0, 2, "ok"), 0);
    EXPECT_EQ(Collect(*unit, 2, 20), "ok") << "the withdrawn message never arrives";

    // Sent, but the unit does not read: no acknowledgement within 20 ms
    // (the acknowledgement of "ok" is cleared out first).
    EXPECT_EQ(controller->EmptyInputBuffer(), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(controller->SendStandardMessage(0, 1, "x", true, 20), 12);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
    EXPECT_EQ(controller->SendStandardMessage(0, 9, "too long!"), 632);
}

TEST_F(CanBusTest, LoadHearsItsDacMessage) {
    std::vector<std::pair<int, unsigned>> heard;
    VN_Sim::CanDacListener load(wire, [&](int address, unsigned dac) { heard.emplace_back(address, dac); });
    const char value[2] = {0x12, 0x34};
    EXPECT_EQ(controller->SendThreadSafeStandardMessage(0x4000 + 5 * 256, 2, value), 0);
    ASSERT_EQ(heard.size(), 1U);
    EXPECT_EQ(heard[0], std::make_pair(5, 0x1234u));
}

TEST_F(CanBusTest, DestroyingABusStopsItsReceiveThread) {
    ASSERT_EQ(unit->EnableBackgroundInput(), 0);
    WaitForPolls(unitSide, 3);
    unit.reset();
    const size_t polls = unitSide.spy->Instructions().size();
    LetReceiveThreadsPoll();
    EXPECT_EQ(unitSide.spy->Instructions().size(), polls);
}

// The unit program's side in its own process, on a card of its own on the
// bus folder in dir: serve(card, bus) with the bus initialised, once
// readyFile exists. The exit code says how far it got.
int RunUnitSide(const std::string& dir, const std::string& readyFile,
                const std::function<int(CardWithChip&, CanBus&)>& serve) {
    VN_Test::TempDir eepromDir;
    auto wire = std::make_shared<VN_Sim::CanWire>("bus", dir + "/can");
    CardWithChip side(eepromDir, UnitBase, 1, wire);
    int code = 2;
    {
        CanBus bus;
        if (bus.Initialize(side.io.get(), 1) == 0) {
            VN_Test::WriteFile(readyFile, "");
            code = serve(side, bus);
        }
    }
    VN_Sim::PortSpace::Instance().UnmapAll();
    return code;
}

// Runs serve as the unit side in a child process and talk as the controller's
// side in this one; the child must end with exit code 0.
void AcrossProcesses(const std::function<int(CardWithChip&, CanBus&)>& serve,
                     const std::function<void(CardWithChip&, CanBus&)>& talk) {
    VN_Test::TempDir dir;
    const std::string readyFile = dir.File("unit_ready");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(RunUnitSide(dir.Path(), readyFile, serve));

    ASSERT_TRUE(VN_Test::WaitFor([&] { return VN_Test::FileExists(readyFile); }, 10000));
    {
        auto wire = std::make_shared<VN_Sim::CanWire>("bus", dir.Path() + "/can");
        CardWithChip side(dir, ControllerBase, 0, wire);
        CanBus bus;
        ASSERT_EQ(bus.Initialize(side.io.get(), 0), 0);
        talk(side, bus);
        EXPECT_EQ(side.chip->FaultCount(), 0);
    }
    VN_Sim::PortSpace::Instance().UnmapAll();
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "unit side status " << status;
}

// The unit takes a 20-byte request with the receive thread and answers it
// reversed with SendData.
TEST(CanBusAcrossProcessesTest, RequestAndAnswerBetweenTwoPrograms) {
    auto serve = [](CardWithChip&, CanBus& bus) {
        if (bus.EnableBackgroundInput() != 0) return 3;
        std::string request = Collect(bus, 20, 10000);
        if (request.size() != 20) return 4;
        std::reverse(request.begin(), request.end());
        // As a unit busy with the request would; the controller has then
        // taken the last acknowledgement from its one receive buffer before
        // the answer's first message arrives there (else that is sent again).
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        bus.PauseBackgroundInput(true);
        const int result = bus.SendData(0, 20, request.data(), 1000);
        bus.PauseBackgroundInput(false);
        return result == 0 ? 0 : 5;
    };
    AcrossProcesses(serve, [](CardWithChip&, CanBus& bus) {
        const std::string request = "0123456789abcdefghij";
        EXPECT_EQ(bus.SendData(0, 20, request.data(), 1000), 0);
        EXPECT_EQ(Collect(bus, 20, 10000), "jihgfedcba9876543210");
    });
}

// A request that starts while the unit has not yet taken the acknowledgement
// that ended its last answer: the chip drops the first message, which is sent
// again and arrives once, once the unit has caught up.
TEST(CanBusAcrossProcessesTest, FirstMessageLostToAnUnreadAcknowledgementIsSentAgain) {
    auto serve = [](CardWithChip& side, CanBus& bus) {
        if (!VN_Test::WaitFor([&] { return side.chip->OverrunCount(0) > 0; }, 10000)) return 3;
        unsigned short identifier = 0;
        int count = 0;
        char data[8];
        if (bus.GetStandardMessage(&identifier, &count, data) != 0 || identifier != CanBus::AckIdentifier) return 4;
        if (bus.EnableBackgroundInput() != 0) return 5;
        // Anything beyond the request (a second copy) would show within the wait.
        return Collect(bus, 10, 500) == "request:!" ? 0 : 6;
    };
    AcrossProcesses(serve, [](CardWithChip&, CanBus& bus) {
        EXPECT_EQ(bus.SendAckMessage(), 0);
        EXPECT_EQ(bus.SendData(0, 9, "request:!", 1000), 0);
    });
}

}  // namespace
