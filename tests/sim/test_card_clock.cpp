// The card's converter runs on hardware time, its input sources on the time
// of day: setting the clock neither stalls nor rushes conversions, and the
// sky the sources model still follows the time of day.
#include <gtest/gtest.h>

#include <cstdint>

#include "test_card_fixture.h"
#include "test_clocks.h"

namespace VN_Test {
namespace {

const int64_t HourUs = int64_t(3600) * 1000000;

class CardClockTest : public CardTest {
protected:
    bool Ready() { return (card->ReadByte(Status) & 1) != 0; }

    TestClocks clocks{TestClocks::Frozen};
};

TEST_F(CardClockTest, ConversionsKeepTheirPeriodWhenTheTimeOfDayIsSet) {
    MakeCard();
    for (int64_t jump : {-HourUs, HourUs}) {
        SCOPED_TRACE(jump);
        card->ReadWord(Result);
        TestClocks::ShiftTimeOfDay(jump);
        EXPECT_FALSE(Ready()) << "a conversion completed without time passing";
        TestClocks::Elapse(config.conversionPeriodUs);
        EXPECT_TRUE(Ready()) << "the next conversion waits for the clock to catch up";
    }
    EXPECT_EQ(card->FaultCount(), 0);
}

TEST_F(CardClockTest, SourcesSeeTheTimeOfDay) {
    Quiet();
    MakeCard();
    double seen = 0.0;
    card->SetInputSource(4, 4, [&seen](double t) {
        seen = t;
        return 0.0;
    });
    TestClocks::ShiftTimeOfDay(HourUs);
    Switch(0, 4, 4);
    TestClocks::Elapse(3000);
    card->ReadWord(Result);
    TestClocks::Elapse(config.conversionPeriodUs);
    ASSERT_TRUE(Ready());
    card->ReadWord(Result);
    EXPECT_NEAR(seen, static_cast<double>(TestClocks::TimeOfDayUs()) / 1e6, 0.001);
}

}  // namespace
}  // namespace VN_Test
