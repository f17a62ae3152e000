// The converter counts in the truth file, from which a benchmark tells the
// conversions a unit's averaging window got.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"
#include "vn_sim/card/analog_card.h"
#include "vn_sim/card/conversion_tally.h"
#include "vn_sim/station/truth_file.h"

namespace {

TEST(ConversionTally, TheTruthFileCountsResultsAndSwitches) {
    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir workingDir(dir.Path());
    const VN_Sim::ConversionTally_T before = VN_Sim::ConversionTally();
    {
        VN_Sim::AnalogCardConfig_T config;
        VN_Sim::AnalogCard card(config);
        card.WriteByte(8, 0x07);
        for (int i = 0; i < 3; ++i) card.ReadWord(2);
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
