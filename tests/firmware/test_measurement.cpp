#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "analog104.h"
#include "iv_measurement.h"
#include "measurement.h"
#include "temp_measurement.h"
#include "test_support.h"
#include "vn_sim/card/analog_card.h"
#include "vn_sim/card/card_clock.h"
#include "vn_sim/port_space.h"

namespace VN_Test {
namespace {

const unsigned BaseA = 0x300;
const unsigned BaseB = 0x310;

// Two quiet simulated cards with their drivers; inputs are wired as tests need.
class MeasurementTest : public ::testing::Test {
protected:
    MeasurementTest() {
        AddCard(BaseA, &simA, &cardA);
        AddCard(BaseB, &simB, &cardB);
    }
    ~MeasurementTest() override {
        EXPECT_EQ(simA->FaultCount() + simB->FaultCount(), 0);
        VN_Sim::PortSpace::Instance().UnmapAll();
    }

    void AddCard(unsigned base, std::shared_ptr<VN_Sim::AnalogCard>* sim, std::unique_ptr<VN_Lib::Analog104>* driver) {
        VN_Sim::AnalogCardConfig_T config;
        config.baseAddress = base;
        config.adcNoiseCounts = 0.0;
        config.inputNoiseVolts = 0.0;
        // Sensor 0 serves multiplexers 1 and 3, sensor 1 the rest: distinct values show which was used.
        *sim = std::make_shared<VN_Sim::AnalogCard>(config);
        (*sim)->SetColdJunctionSource(0, [](double) { return 30.0; });
        (*sim)->SetColdJunctionSource(1, [](double) { return 15.0; });
        ASSERT_EQ(VN_Sim::PortSpace::Instance().Map(base, VN_Sim::AnalogCard::PortCount, *sim), 0);
        *driver = std::make_unique<VN_Lib::Analog104>(static_cast<int>(base));
        (*driver)->Initialize(true);
    }
    static void Wire(VN_Sim::AnalogCard& sim, int mux, int chan, double volts) {
        ASSERT_EQ(sim.SetInputSource(mux, chan, [volts](double) { return volts; }), 0);
    }
    // Lets a freshly switched input settle before fast readings.
    static void Settle() {
        int64_t end = VN_Sim::CardMicroseconds() + 3000;
        while (VN_Sim::CardMicroseconds() < end) {
        }
    }

    TempDir dir;
    ScopedWorkingDir workingDir{dir.Path()};  // the cards' EEPROM files land here
    std::shared_ptr<VN_Sim::AnalogCard> simA;
    std::shared_ptr<VN_Sim::AnalogCard> simB;
    std::unique_ptr<VN_Lib::Analog104> cardA;
    std::unique_ptr<VN_Lib::Analog104> cardB;
};

TEST_F(MeasurementTest, RefusesReadingsUntilSetUpAndKeepsTheLastValue) {
    Measurement m;
    EXPECT_EQ(m.Update(100), Measurement::ErrConversionNotSet);
    EXPECT_EQ(m.UpdateFast(100), Measurement::ErrConversionNotSet);
    EXPECT_FALSE(m.ConversionSet());
    EXPECT_DOUBLE_EQ(m.ConversionFactor(), 1.0);

    Wire(*simA, 2, 1, 1.5);
    m.Initialize(cardA.get(), 2, 1, 2.0);
    ASSERT_EQ(m.Update(1000), 0);
    double value = m.Value();
    double volts = m.Volts();
    ASSERT_GT(m.FullScale(), 0.0);

    // Losing the card: refused with 605, range figures cleared, last reading kept.
    m.Initialize(nullptr, 2, 1, 2.0);
    EXPECT_EQ(m.Update(1000), Measurement::ErrNoCard);
    EXPECT_EQ(m.UpdateFast(1000), Measurement::ErrNoCard);
    EXPECT_DOUBLE_EQ(m.FullScale(), 0.0);
    EXPECT_DOUBLE_EQ(m.Resolution(), 0.0);
    EXPECT_DOUBLE_EQ(m.Value(), value);
    EXPECT_DOUBLE_EQ(m.Volts(), volts);
}

TEST_F(MeasurementTest, UpdateScalesVoltsAndReportsTheRangeOfTheReading) {
    Wire(*simA, 2, 1, 2.0);
    Wire(*simA, 2, 2, 0.003);
    Measurement big;
    Measurement small;
    big.Initialize(cardA.get(), 2, 1, 5.0);
    small.Initialize(cardA.get(), 2, 2, 100.0);
    big.SetBeforeConversionFactor(4.0);  // kept for reports only: no effect on readings
    EXPECT_TRUE(big.ConversionSet());
    EXPECT_EQ(big.Card(), cardA.get());
    EXPECT_EQ(big.Mux(), 2);
    EXPECT_EQ(big.Chan(), 1);

    ASSERT_EQ(big.Update(2000), 0);
    EXPECT_NEAR(big.Volts(), 2.0, 1e-3);
    EXPECT_DOUBLE_EQ(big.Value(), big.Volts() * 5.0);
    EXPECT_EQ(big.GainIndex(), 0);
    EXPECT_DOUBLE_EQ(big.Resolution(), 5.0 * cardA->GetVoltsPerCount(0));
    EXPECT_DOUBLE_EQ(big.FullScale(), big.Resolution() * 32767);
    EXPECT_DOUBLE_EQ(big.BeforeConversionFactor(), 4.0);

    ASSERT_EQ(small.Update(2000), 0);
    EXPECT_NEAR(small.Volts(), 0.003, 1e-5);
    EXPECT_EQ(small.GainIndex(), 3);
    EXPECT_DOUBLE_EQ(small.Resolution(), 100.0 * cardA->GetVoltsPerCount(3));
    EXPECT_LT(small.FullScale(), 100.0 * 0.006);

    // A new factor applies from the next reading on.
    big.SetConversionFactor(10.0);
    ASSERT_EQ(big.Update(2000), 0);
    EXPECT_NEAR(big.Value(), 20.0, 1e-2);
}

TEST_F(MeasurementTest, UpdateFastReadsWhateverInputTheCardHasSelected) {
    Wire(*simA, 2, 1, 2.0);
    Wire(*simA, 2, 2, 0.003);
    Measurement module;
    Measurement other;
    module.Initialize(cardA.get(), 2, 1, 3.0);
    other.Initialize(cardA.get(), 2, 2, 1.0);
    ASSERT_EQ(module.Update(1000), 0);
    ASSERT_GT(module.FullScale(), 0.0);

    // The card was left on the other input: no switching back.
    ASSERT_EQ(other.Update(1000), 0);
    Settle();
    ASSERT_EQ(module.UpdateFast(100), 0);
    EXPECT_NEAR(module.Volts(), 0.003, 1e-5);
    EXPECT_DOUBLE_EQ(module.FullScale(), 0.0);
    EXPECT_DOUBLE_EQ(module.Resolution(), 0.0);

    // Selecting is a reading of the input with automatic gain, as the sweep does it.
    ASSERT_EQ(module.Update(1000), 0);
    Settle();
    ASSERT_EQ(module.UpdateFast(0), 0) << "a zero time still converts once";
    EXPECT_NEAR(module.Value(), 6.0, 3e-3);
}

TEST_F(MeasurementTest, ModuleUpdateStopsAtTheFirstError) {
    Wire(*simA, 2, 1, 2.0);
    Wire(*simA, 2, 3, 0.5);
    IV_Measurement module;
    module.Current().Initialize(cardA.get(), 2, 3, 4.0);
    EXPECT_EQ(module.Update(1000), Measurement::ErrConversionNotSet);
    EXPECT_DOUBLE_EQ(module.Current().Volts(), 0.0) << "current must not be read after the voltage failed";

    module.Voltage().Initialize(cardA.get(), 2, 1, 10.0);
    ASSERT_EQ(module.Update(1000), 0);
    EXPECT_NEAR(module.Voltage().Value(), 20.0, 1e-2);
    EXPECT_NEAR(module.Current().Value(), 2.0, 1e-2);

    module.Current().Initialize(nullptr, 2, 3, 4.0);
    EXPECT_EQ(module.Update(1000), Measurement::ErrNoCard);
}

TEST_F(MeasurementTest, ModuleFastReadingOnOneCard) {
    Wire(*simA, 2, 1, 2.0);
    IV_Measurement module;
    module.Current().Initialize(cardA.get(), 2, 3, 4.0);
    EXPECT_EQ(module.UpdateFast(1000), Measurement::ErrConversionNotSet);
    EXPECT_DOUBLE_EQ(module.Current().Volts(), 0.0);

    // Both read the one selected input, each with its own factor.
    module.Voltage().Initialize(cardA.get(), 2, 1, 10.0);
    ASSERT_EQ(module.Voltage().Update(1000), 0);
    Settle();
    ASSERT_EQ(module.UpdateFast(1000), 0);
    EXPECT_NEAR(module.Voltage().Value(), 20.0, 1e-2);
    EXPECT_NEAR(module.Current().Value(), 8.0, 1e-2);
}

TEST_F(MeasurementTest, ModuleFastReadingOnTwoCardsAveragesOverThePeriod) {
    IV_Measurement module;
    module.Voltage().Initialize(cardA.get(), 2, 1, 10.0);
    module.Current().Initialize(cardB.get(), 2, 1, 2.0);
    Wire(*simB, 2, 1, 0.5);
    Wire(*simA, 2, 1, 2.0);
    ASSERT_EQ(module.Update(1000), 0);
    Settle();

    // Constant inputs, no time: one round gives the readings themselves.
    ASSERT_EQ(module.UpdateFast(0), 0);
    EXPECT_NEAR(module.Voltage().Value(), 20.0, 1e-2);
    EXPECT_NEAR(module.Current().Value(), 1.0, 1e-2);

    // A rising voltage: the mean over the period lies between the first and the last reading.
    double start = VN_Sim::CardSeconds(VN_Sim::CardMicroseconds());
    ASSERT_EQ(simA->SetInputSource(2, 1, [start](double t) { return std::min(1.0 + 2.0 * (t - start), 4.5); }), 0);
    ASSERT_EQ(module.UpdateFast(100000), 0);
    double last = module.Voltage().Volts() * 10.0;
    EXPECT_GT(module.Voltage().Value(), 10.0);
    EXPECT_LT(module.Voltage().Value(), last - 0.3) << "one reading is no mean over 100 ms of a 20 V/s ramp";
    EXPECT_NEAR(module.Current().Value(), 1.0, 1e-2);

    // A reading that cannot be taken is reported, not averaged in as a stale value.
    module.Current().Initialize(nullptr, 2, 1, 2.0);
    EXPECT_EQ(module.UpdateFast(1000), Measurement::ErrNoCard);
}

TEST_F(MeasurementTest, ThermocoupleTypesAndTheirLinearisation) {
    TempMeasurement tc;
    EXPECT_TRUE(tc.ConversionSet());
    EXPECT_DOUBLE_EQ(tc.ConversionFactor(), 1.0);
    EXPECT_EQ(tc.Type(), VN_Lib::TC_TYPE_T);
    const struct {
        char letter;
        int type;
    } letters[] = {{'J', VN_Lib::TC_TYPE_J}, {'K', VN_Lib::TC_TYPE_K}, {'T', VN_Lib::TC_TYPE_T},
                   {'j', VN_Lib::TC_TYPE_T}, {'x', VN_Lib::TC_TYPE_T}, {'\0', VN_Lib::TC_TYPE_T}};
    for (const auto& l : letters) {
        tc.SetType(l.letter);
        EXPECT_EQ(tc.Type(), l.type) << "letter " << static_cast<int>(l.letter);
    }

    // Same small voltage, each type and each cold-junction sensor.
    Wire(*simA, 1, 0, 0.002);
    Wire(*simA, 2, 0, 0.002);
    TempMeasurement near0;
    TempMeasurement near1;
    near0.Initialize(cardA.get(), 1, 0, 1.0);
    near1.Initialize(cardA.get(), 2, 0, 1.0);
    for (char letter : {'T', 'K', 'J'}) {
        near0.SetType(letter);
        near1.SetType(letter);
        ASSERT_EQ(near0.Update(2000), 0);
        ASSERT_EQ(near1.Update(2000), 0);
        EXPECT_FLOAT_EQ(near0.ColdJunctionTemperature(), cardA->GetColdJunctionTemperature(0));
        EXPECT_FLOAT_EQ(near1.ColdJunctionTemperature(), cardA->GetColdJunctionTemperature(1));
        EXPECT_NEAR(near0.ColdJunctionTemperature(), 30.0, 0.5);
        EXPECT_NEAR(near1.ColdJunctionTemperature(), 15.0, 0.5);
        EXPECT_FLOAT_EQ(near0.Temperature(),
                        VN_Lib::Analog104::Linearize_TC(near0.Value(), near0.ColdJunctionTemperature(), near0.Type()));
        EXPECT_FLOAT_EQ(near1.Temperature(),
                        VN_Lib::Analog104::Linearize_TC(near1.Value(), near1.ColdJunctionTemperature(), near1.Type()));
        // 2 mV is some 30 to 50 degrees above the junction for these types.
        EXPECT_GT(near0.Temperature(), 30.0 + 25.0) << letter;
        EXPECT_LT(near0.Temperature(), 30.0 + 60.0) << letter;
        EXPECT_NEAR(near0.Temperature() - near1.Temperature(), 15.0, 2.0) << letter;
    }
}

TEST_F(MeasurementTest, ThermocoupleOutOfRangeOrUnreadable) {
    Wire(*simA, 3, 2, 0.02);
    TempMeasurement tc;
    EXPECT_FLOAT_EQ(tc.Temperature(), TempMeasurement::NoTemperature) << "no reading yet";
    tc.Initialize(cardA.get(), 3, 2, 1.0);
    ASSERT_EQ(tc.Update(2000), 0);
    EXPECT_NEAR(tc.Value(), 0.02, 1e-4);
    EXPECT_FLOAT_EQ(tc.Temperature(), -999.0f);

    TempMeasurement orphan;
    EXPECT_EQ(orphan.Update(2000), Measurement::ErrNoCard);
    EXPECT_EQ(orphan.Linearize(), Measurement::ErrNoCard);
    EXPECT_FLOAT_EQ(orphan.Temperature(), TempMeasurement::NoTemperature);
}

}  // namespace
}  // namespace VN_Test
