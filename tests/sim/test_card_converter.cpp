#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "test_card_fixture.h"
#include "vn_sim/card/noise_source.h"

namespace VN_Test {
namespace {

// Counts of a settled input at a range, as the card's defaults produce them.
double ExpectedCounts(const VN_Sim::AnalogCardConfig_T& c, double volts, int range) {
    double lsb = 5.0 / std::pow(10.0, range) / 32768.0;
    return volts / lsb + c.adcOffsetCounts + c.inputOffsetVolts / lsb;
}

using ConverterTest = CardTest;

TEST_F(ConverterTest, ReadyBitLimitsAWindowToOneConversionPerPeriod) {
    MakeCard();
    Switch(0, 0, 7);
    card->ReadWord(Result);
    int conversions = 0;
    int64_t end = VN_Sim::CardMicroseconds() + 2000;
    while (VN_Sim::CardMicroseconds() < end) {
        if (card->ReadByte(Status) & 1) {
            card->ReadWord(Result);
            ++conversions;
        }
    }
    EXPECT_LE(conversions, 2000 / 10 + 2);
    EXPECT_GE(conversions, 1);
    EXPECT_EQ(card->FaultCount(), 0);
}

TEST_F(ConverterTest, InputSettlesExponentiallyAfterASwitch) {
    Quiet();
    MakeCard();
    ASSERT_EQ(card->SetInputSource(2, 1, [](double) { return 1.0; }), 0);
    double settled = ExpectedCounts(config, 1.0, 0);
    // Only a reading taken within tens of microseconds shows the transient;
    // a thread held off the processor for longer tries again.
    int early = 0;
    int64_t took = 0;
    for (int attempt = 0; attempt < 20; ++attempt) {
        Settled(0, 0, 7);
        int64_t start = VN_Sim::CardMicroseconds();
        Switch(0, 2, 1);
        early = NextConversion();
        took = VN_Sim::CardMicroseconds() - start;
        if (took < 40) break;
    }
    ASSERT_LT(took, 40);
    EXPECT_LT(early, settled * 0.5) << "a reading right after the switch must show the transient";
    WaitUs(2000);
    EXPECT_NEAR(NextConversion(), settled, 1.0);
}

TEST_F(ConverterTest, FullScaleGivesTheOverRangeCodes) {
    Quiet();
    MakeCard();
    card->SetInputSource(2, 0, [](double) { return 6.0; });
    card->SetInputSource(2, 1, [](double) { return -6.0; });
    card->SetInputSource(2, 2, [](double) { return 0.6; });
    card->SetInputSource(2, 3, [](double) { return 4.9; });
    EXPECT_EQ(Settled(0, 2, 0), 0x7FFF);
    EXPECT_EQ(Settled(0, 2, 1), -32768);
    EXPECT_EQ(Settled(1, 2, 2), 0x7FFF);
    EXPECT_EQ(Settled(3, 2, 3), 0x7FFF) << "4.9 V saturates the +-5 mV range";
    EXPECT_NEAR(Settled(0, 2, 3), ExpectedCounts(config, 4.9, 0), 1.0);
}

TEST_F(ConverterTest, BuiltInZeroReferencesAndColdJunctions) {
    Quiet();
    MakeCard();
    for (int range = 0; range < 4; ++range) {
        EXPECT_NEAR(Settled(range, 0, 7), ExpectedCounts(config, 0.0, range), 1.0) << "zero, range " << range;
        EXPECT_NEAR(Settled(range, 0, 3 + range), ExpectedCounts(config, config.referenceVolts[range], range), 1.0)
            << "reference, range " << range;
    }
    // Sensors at 10 mV per degree: 25 degrees by default, or their source.
    EXPECT_NEAR(Settled(1, 0, 0), ExpectedCounts(config, 0.25, 1), 1.0);
    ASSERT_EQ(card->SetColdJunctionSource(1, [](double) { return 31.0; }), 0);
    ASSERT_EQ(card->SetColdJunctionSource(2, [](double) { return 42.0; }), 0);
    EXPECT_NEAR(Settled(1, 0, 2), ExpectedCounts(config, 0.31, 1), 1.0);
    EXPECT_NEAR(Settled(1, 1, 4), ExpectedCounts(config, 0.42, 1), 1.0);
    // Nothing wired: 0 V.
    EXPECT_NEAR(Settled(2, 5, 5), ExpectedCounts(config, 0.0, 2), 1.0);
}

TEST_F(ConverterTest, BuiltInInputsCannotBeRewired) {
    MakeCard();
    auto source = [](double) { return 1.0; };
    for (int chan : {0, 2, 3, 4, 5, 6, 7}) EXPECT_EQ(card->SetInputSource(0, chan, source), 1) << chan;
    EXPECT_EQ(card->SetInputSource(1, 4, source), 1);
    EXPECT_EQ(card->SetInputSource(8, 0, source), 1);
    EXPECT_EQ(card->SetInputSource(3, -1, source), 1);
    EXPECT_EQ(card->SetInputSource(0, 1, source), 0);
    EXPECT_EQ(card->SetInputSource(7, 7, source), 0);
    EXPECT_EQ(card->SetColdJunctionSource(3, source), 1);
}

TEST_F(ConverterTest, SourcesSeeTheSystemClock) {
    Quiet();
    MakeCard();
    ClockOffsetUs().store(int64_t{3600} * 1000000);
    double seen = 0.0;
    card->SetInputSource(4, 4, [&seen](double t) {
        seen = t;
        return 0.0;
    });
    Settled(0, 4, 4);
    EXPECT_NEAR(seen, VN_Sim::CardSeconds(VN_Sim::CardMicroseconds()), 0.5);
    EXPECT_GT(seen, VN_Lib::Now() - 1.0);
}

TEST_F(ConverterTest, NoiseHasTheConfiguredSpreadAndRepeatsFromItsSeed) {
    config.adcNoiseCounts = 2.0;
    config.inputNoiseVolts = 0.0;
    MakeCard();
    Settled(0, 0, 7);
    std::vector<int> counts;
    for (int i = 0; i < 400; ++i) counts.push_back(NextConversion());
    double mean = 0.0;
    for (int c : counts) mean += c;
    mean /= counts.size();
    double variance = 0.0;
    for (int c : counts) variance += (c - mean) * (c - mean);
    double sigma = std::sqrt(variance / (counts.size() - 1));
    EXPECT_NEAR(mean, config.adcOffsetCounts, 0.5);
    EXPECT_NEAR(sigma, 2.0, 0.4);

    VN_Sim::NoiseSource a(7), b(7), c(8);
    EXPECT_EQ(a.Gaussian(12345), b.Gaussian(12345));
    EXPECT_NE(a.Gaussian(12345), c.Gaussian(12345));
}

}  // namespace
}  // namespace VN_Test
