// A driver waiting for the converter's ready bit: the card sleeps the wait
// away on the machine's clock, and never on a test's clock.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "test_clocks.h"
#include "test_support.h"
#include "vn_sim/card/analog_card.h"
#include "vn_sim/card/conversion_tally.h"
#include "vn_sim/station/truth_file.h"

namespace {

const unsigned Status = 0;
const unsigned Result = 2;
const unsigned FrontEnd = 8;

class ConversionWait : public ::testing::Test {
protected:
    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir workingDir{dir.Path()};
    VN_Sim::AnalogCardConfig_T config;
};

// The first status read after a result read has slept until the next
// conversion: a polling loop reads the bit about once per conversion
// instead of every bus cycle.
TEST_F(ConversionWait, OnTheMachinesClockTheFirstPollFindsTheConversion) {
    VN_Sim::AnalogCard card(config);
    card.WriteByte(FrontEnd, 0x07);
    card.ReadWord(Result);
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(1, card.ReadByte(Status) & 1) << "conversion " << i;
        card.ReadWord(Result);
    }
    EXPECT_EQ(0, card.FaultCount());
}

// A frozen clock never completes the conversion; the reader's poll limit,
// not a sleep, ends the wait.
TEST_F(ConversionWait, AFrozenTestClockNeverBlocksTheReader) {
    VN_Test::TestClocks clocks(VN_Test::TestClocks::Frozen);
    VN_Sim::AnalogCard card(config);
    card.WriteByte(FrontEnd, 0x07);
    card.ReadWord(Result);
    int ready = 0;
    for (int i = 0; i < 200; ++i) ready += card.ReadByte(Status) & 1;
    EXPECT_EQ(0, ready);
    VN_Test::TestClocks::Elapse(10);
    EXPECT_EQ(1, card.ReadByte(Status) & 1) << "the conversion completes when the test moves the clock";
}

TEST_F(ConversionWait, TheTruthFileCountsResultsAndSwitches) {
    const VN_Sim::ConversionTally_T before = VN_Sim::ConversionTally();
    {
        VN_Sim::AnalogCard card(config);
        card.WriteByte(FrontEnd, 0x07);
        for (int i = 0; i < 3; ++i) card.ReadWord(Result);
    }
    const VN_Sim::ConversionTally_T after = VN_Sim::ConversionTally();
    EXPECT_EQ(3u, after.resultsRead - before.resultsRead);
    EXPECT_EQ(1u, after.frontEndSwitches - before.frontEndSwitches);

    VN_Sim::StationTruth_T truth;
    truth.conversions.resultsRead = 5000000000ULL;  // past any 32-bit field
    truth.conversions.frontEndSwitches = 7;
    const std::string xml = VN_Sim::TruthFile::ToXml(truth);
    EXPECT_NE(std::string::npos, xml.find("<Conversions results_read=\"5000000000\" front_end_switches=\"7\" />"))
        << xml;
}

}  // namespace
