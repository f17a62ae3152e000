#include <gtest/gtest.h>

#include "../sim/test_card_fixture.h"
#include "load_controller.h"
#include "test_controller_rig.h"
#include "test_support.h"

namespace {

using VN_Lib::LoadController;
using VN_Test::ControlRig;

TEST(LoadControllerTest, WithoutBusNothingIsSent) {
    LoadController load;
    EXPECT_EQ(load.InitializeDAC(nullptr, 3), LoadController::ErrNoBus);
    EXPECT_EQ(load.Address(), 3u);
    EXPECT_EQ(load.SetDac(100), LoadController::ErrNoBus);
    EXPECT_EQ(load.Dac(), 0u);
}

TEST(LoadControllerTest, IdentifierCarriesTheLowFourAddressBits) {
    EXPECT_EQ(LoadController::Identifier(0), 0x4000);
    EXPECT_EQ(LoadController::Identifier(3), 0x4300);
    EXPECT_EQ(LoadController::Identifier(0x1F), 0x4F00);
}

class LoadControllerRigTest : public ::testing::Test {
protected:
    LoadControllerRigTest() {
        VN_Test::ClockOffsetUs().store(0);
        VN_Lib::SetClockFunction(VN_Test::ShiftedClock);
        VN_Lib::SetMonotonicClockFunction(VN_Test::ShiftedClock);
    }
    ~LoadControllerRigTest() override {
        EXPECT_EQ(rig.CardFaults(), 0);
        EXPECT_EQ(rig.ChipFaults(), 0);
        VN_Lib::SetClockFunction(nullptr);
        VN_Lib::SetMonotonicClockFunction(nullptr);
    }

    VN_Test::TempDir dir;
    ControlRig rig{dir.File("eeprom.bin"), 1000.0, 25.0};
};

TEST_F(LoadControllerRigTest, TheLoadAtTheAddressHearsTheValueHighByteFirst) {
    ASSERT_EQ(rig.BusResult(), 0);
    LoadController load;
    // Only the low four bits of the address reach the bus.
    ASSERT_EQ(load.InitializeDAC(&rig.Bus(), 0x10 + ControlRig::Address), 0);
    ASSERT_EQ(load.SetDac(0x1234), 0);
    EXPECT_EQ(rig.LoadDac(), 0x1234u);
    EXPECT_EQ(load.Dac(), 0x1234u);

    LoadController other;
    ASSERT_EQ(other.InitializeDAC(&rig.Bus(), ControlRig::Address + 1), 0);
    ASSERT_EQ(other.SetDac(0x4321), 0);
    EXPECT_EQ(rig.LoadDac(), 0x1234u);
}

TEST_F(LoadControllerRigTest, ValuesBeyondSixteenBitsDriveFullScale) {
    LoadController load;
    ASSERT_EQ(load.InitializeDAC(&rig.Bus(), ControlRig::Address), 0);
    // 0x10000 cut to 16 bits would be 0: open circuit instead of short circuit.
    ASSERT_EQ(load.SetDac(0x10000), 0);
    EXPECT_EQ(rig.LoadDac(), 0xFFFFu);
    EXPECT_EQ(load.Dac(), 0xFFFFu);
}

}  // namespace
