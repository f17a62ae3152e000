#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "test_card_fixture.h"
#include "vn_sim/card/card_faults.h"
#include "vn_sim/card/spi_eeprom.h"

namespace VN_Test {
namespace {

// Long, so that "still busy" holds however slowly the test runs; Later()
// steps the clock over it.
const int64_t WriteUs = int64_t{10} * 1000000;

class EepromTest : public CardTest {
protected:
    std::unique_ptr<VN_Sim::SpiEeprom> Make(const std::vector<uint8_t>& initial = {}) {
        return std::make_unique<VN_Sim::SpiEeprom>(dir.File("eeprom.bin"), initial, WriteUs, faults);
    }
    // One instruction framed by the chip select; the bytes shifted out.
    static std::vector<uint8_t> Run(VN_Sim::SpiEeprom& chip, std::initializer_list<uint8_t> bytes) {
        std::vector<uint8_t> out;
        chip.Select();
        for (uint8_t b : bytes) out.push_back(chip.Transfer(b));
        chip.Deselect();
        return out;
    }
    static uint8_t Status(VN_Sim::SpiEeprom& chip) { return Run(chip, {0x05, 0x00})[1]; }
    void Later() { ClockOffsetUs().fetch_add(WriteUs + 1000); }

    VN_Sim::CardFaults faults{0x300};
};

TEST_F(EepromTest, EnabledPageWriteWrapsInItsPageAndBusiesTheChip) {
    auto chip = Make();
    EXPECT_EQ(Status(*chip), 0x00);
    Run(*chip, {0x06});
    EXPECT_EQ(Status(*chip), 0x02) << "write enable latch";
    Run(*chip, {0x02, 6, 0xA1, 0xA2, 0xA3, 0xA4});
    EXPECT_EQ(Status(*chip), 0x01) << "busy, latch cleared";
    Later();
    EXPECT_EQ(Status(*chip), 0x00);
    EXPECT_EQ(Run(*chip, {0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
              (std::vector<uint8_t>{0xFF, 0xFF, 0xA3, 0xA4, 0xFF, 0xFF, 0xFF, 0xFF, 0xA1, 0xA2}));
    EXPECT_EQ(faults.Count(), 0);
}

TEST_F(EepromTest, DriverMistakesAreFaultsAndChangeNothing) {
    auto chip = Make();
    testing::internal::CaptureStderr();
    Run(*chip, {0x02, 0, 0x55});
    EXPECT_EQ(faults.Count(), 1) << "write without enable";
    Run(*chip, {0x06});
    Run(*chip, {0x02, 8, 0x11});
    Run(*chip, {0x03, 8, 0});
    EXPECT_EQ(faults.Count(), 2) << "read while the write is in progress";
    Run(*chip, {0x04});
    Status(*chip);
    EXPECT_EQ(faults.Count(), 2) << "status and write disable are fine while busy";
    Run(*chip, {0x99});
    EXPECT_EQ(faults.Count(), 3) << "unknown instruction";
    Later();
    Run(*chip, {0x06, 0x00});
    EXPECT_EQ(faults.Count(), 4) << "write enable takes no data byte";
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(chip->Peek(0), 0xFF);
    EXPECT_EQ(chip->Peek(8), 0x11);
}

TEST_F(EepromTest, ContentsSurviveARestartThroughTheFile) {
    auto chip = Make({1, 2, 3});
    EXPECT_EQ(chip->Peek(2), 3) << "factory image without a file";
    EXPECT_EQ(chip->Peek(3), 0xFF);
    Run(*chip, {0x06});
    Run(*chip, {0x02, 200, 7, 8});
    Later();
    Run(*chip, {0x06});
    Run(*chip, {0x01, 0x04});
    chip.reset();
    EXPECT_EQ(ReadFile(dir.File("eeprom.bin")).size(), 257u);

    auto again = Make({9, 9, 9});
    EXPECT_EQ(again->Peek(0), 1) << "the file wins over the factory image";
    EXPECT_EQ(again->Peek(200), 7);
    EXPECT_EQ(again->Peek(201), 8);
    Later();
    EXPECT_EQ(Status(*again), 0x04) << "protection bits are non-volatile";
}

TEST_F(EepromTest, DamagedFileIsReportedAndTheChipStartsBlank) {
    WriteFile(dir.File("eeprom.bin"), "short");
    testing::internal::CaptureStderr();
    auto chip = Make({1, 2, 3});
    std::string message = testing::internal::GetCapturedStderr();
    EXPECT_EQ(faults.Count(), 1);
    EXPECT_NE(message.find("eeprom.bin"), std::string::npos);
    EXPECT_EQ(chip->Peek(0), 0xFF);
}

TEST_F(EepromTest, BlockProtectionKeepsItsPartOfTheArray) {
    auto chip = Make();
    Run(*chip, {0x06});
    Run(*chip, {0x01, 0x08});  // upper half
    Later();
    Run(*chip, {0x06});
    Run(*chip, {0x02, 128, 0x42});
    Later();
    Run(*chip, {0x06});
    Run(*chip, {0x02, 127, 0x43});
    Later();
    EXPECT_EQ(chip->Peek(128), 0xFF);
    EXPECT_EQ(chip->Peek(127), 0x43);
    EXPECT_EQ(faults.Count(), 0);
}

}  // namespace
}  // namespace VN_Test
