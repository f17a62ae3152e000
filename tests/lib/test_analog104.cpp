#include "analog104.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "../sim/test_card_fixture.h"
#include "test_support.h"
#include "vn_sim/card/analog_card.h"
#include "vn_sim/port_space.h"

namespace VN_Test {
namespace {

const int Base = 0x300;
const double Lsb[4] = {5.0 / 32768, 0.5 / 32768, 0.05 / 32768, 0.005 / 32768};

// Stands between the driver and the card: records the front-end settings and
// the EEPROM instructions, counts result reads and can alter what the
// converter reports, so the driver's decisions can be checked one by one.
class ProbeCard : public VN_Sim::PortDevice {
public:
    explicit ProbeCard(std::shared_ptr<VN_Sim::AnalogCard> inner) : card(std::move(inner)) {}

    uint8_t ReadByte(unsigned offset) override {
        if (offset == 0 && fixedResult >= 0) return 0x01;
        uint8_t value = card->ReadByte(offset);
        if (offset == 0 && spiStuck) value |= 0x04;
        if (offset == 0 && neverReady) value &= 0xFE;
        return value;
    }
    uint16_t ReadWord(unsigned offset) override {
        if (offset != 2) return card->ReadWord(offset);
        ++resultReads;
        if (fixedResult >= 0) return static_cast<uint16_t>(fixedResult);
        int code = static_cast<int16_t>(card->ReadWord(offset));
        if (adjustResult) code = adjustResult(frontEnd.empty() ? 0 : frontEnd.back(), code);
        return static_cast<uint16_t>(code);
    }
    void WriteByte(unsigned offset, uint8_t value) override {
        if (offset == 8) frontEnd.push_back(value);
        if (offset == 5 && value == 3) eepromSessions.emplace_back();
        if (offset == 4 && selected3) eepromSessions.back().push_back(value);
        if (offset == 5) selected3 = value == 3;
        card->WriteByte(offset, value);
    }
    void WriteWord(unsigned offset, uint16_t value) override { card->WriteWord(offset, value); }

    std::shared_ptr<VN_Sim::AnalogCard> card;
    std::vector<uint8_t> frontEnd;
    std::vector<std::vector<uint8_t>> eepromSessions;  // bytes written while select 3 was on
    int resultReads = 0;
    int fixedResult = -1;  // >= 0: an instant converter always giving this code
    bool spiStuck = false;
    bool neverReady = false;
    std::function<int(uint8_t frontEnd, int code)> adjustResult;

private:
    bool selected3 = false;
};

class Analog104Test : public ::testing::Test {
protected:
    Analog104Test() {
        ClockOffsetUs().store(0);
        VN_Lib::SetClockFunction(ShiftedClock);
        VN_Lib::SetMonotonicClockFunction(ShiftedClock);
    }
    ~Analog104Test() override {
        if (probe) {
            EXPECT_EQ(probe->card->FaultCount(), 0) << "the driver did something the card does not support";
        }
        VN_Sim::PortSpace::Instance().UnmapAll();
        VN_Lib::SetClockFunction(nullptr);
        VN_Lib::SetMonotonicClockFunction(nullptr);
    }

    void Quiet() {
        config.adcNoiseCounts = 0.0;
        config.inputNoiseVolts = 0.0;
    }
    // A card at Base with its driver; the same working directory each time,
    // so a second Build is a restart of the station.
    void Build(bool readConstants = true) {
        VN_Sim::PortSpace::Instance().UnmapAll();
        auto card = std::make_shared<VN_Sim::AnalogCard>(config);
        for (const auto& wired : inputs) card->SetInputSource(wired.mux, wired.chan, wired.source);
        probe = std::make_shared<ProbeCard>(card);
        ASSERT_EQ(VN_Sim::PortSpace::Instance().Map(Base, VN_Sim::AnalogCard::PortCount, probe), 0);
        driver = std::make_unique<VN_Lib::Analog104>(Base);
        driver->Initialize(readConstants);
        probe->frontEnd.clear();
        probe->eepromSessions.clear();
        probe->resultReads = 0;
    }
    void Wire(int mux, int chan, double volts) {
        inputs.push_back({mux, chan, [volts](double) { return volts; }});
    }

    struct Wired {
        int mux;
        int chan;
        VN_Sim::TimeSource source;
    };
    TempDir dir;
    ScopedWorkingDir workingDir{dir.Path()};
    VN_Sim::AnalogCardConfig_T config;
    std::vector<Wired> inputs;
    std::shared_ptr<ProbeCard> probe;
    std::unique_ptr<VN_Lib::Analog104> driver;
};

uint8_t Code(int range, int mux, int chan) { return static_cast<uint8_t>(range << 6 | mux << 3 | chan); }

TEST_F(Analog104Test, AutoRangeStartsWhereTheProbeMagnitudeSays) {
    Quiet();
    const int magnitudes[] = {31, 32, 326, 327, 3275, 3276};
    const int expected[] = {3, 2, 2, 1, 1, 0};
    // Exactly m range-0 counts above the zero.
    for (int i = 0; i < 6; ++i) Wire(2, i, magnitudes[i] * Lsb[0]);
    Build();
    ASSERT_EQ(driver->GetZeroOffset(0), 3);
    for (int i = 0; i < 6; ++i) {
        probe->frontEnd.clear();
        int range = -1;
        driver->Auto_Read_Int(2, i, 100, &range);
        EXPECT_EQ(range, expected[i]) << "probe magnitude " << magnitudes[i];
        EXPECT_EQ(probe->frontEnd,
                  (std::vector<uint8_t>{0x07, Code(0, 2, i), 0x07, Code(expected[i], 2, i)}))
            << "probe magnitude " << magnitudes[i];
    }
}

TEST_F(Analog104Test, OverRangeStepsDownOneRangeAtATime) {
    Quiet();
    Wire(3, 1, 0.001);
    Build();
    // Over range on every range but 0 (a spike during the probe, say).
    probe->adjustResult = [](uint8_t frontEnd, int code) { return (frontEnd >> 6) > 0 ? 0x7FFF : code; };
    int range = -1;
    int count = driver->Auto_Read_Int(3, 1, 100, &range);
    EXPECT_EQ(range, 0);
    EXPECT_NEAR(count, 0.001 / Lsb[0], 1.0);
    EXPECT_EQ(probe->frontEnd, (std::vector<uint8_t>{0x07, Code(0, 3, 1), 0x07, Code(3, 3, 1), 0x07, Code(2, 3, 1),
                                                     0x07, Code(1, 3, 1), 0x07, Code(0, 3, 1)}));

    // Over range even on range 0: its code comes back, with range 0.
    probe->adjustResult = [](uint8_t, int) { return -32768; };
    EXPECT_EQ(driver->Auto_Read_Int(3, 1, 100, &range), -32768);
    EXPECT_EQ(range, 0);
    int flag = 0;
    EXPECT_EQ(driver->ReadAD(0, 3, 1, 0, 10, 0, &flag), -32768);
    EXPECT_EQ(flag, 1);
}

TEST_F(Analog104Test, ReferenceUpdateCyclesThroughTenSteps) {
    Quiet();
    Build();
    const int steps[] = {0, 4, 1, 5, 2, 6, 3, 7, 8, 9};
    const uint8_t conversions[] = {Code(0, 0, 7), Code(0, 0, 3), Code(1, 0, 7), Code(1, 0, 4), Code(2, 0, 7),
                                   Code(2, 0, 5), Code(3, 0, 7), Code(3, 0, 6), Code(0, 0, 0), Code(0, 0, 2)};
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(driver->GetReferenceStep(), steps[i]);
        probe->frontEnd.clear();
        driver->UpdateNextReference();
        ASSERT_GE(probe->frontEnd.size(), 3u);
        EXPECT_EQ(probe->frontEnd[1], conversions[i]) << "step " << steps[i];
        EXPECT_EQ(probe->frontEnd.back(), 0x07) << "every step parks on the zero input";
    }
    EXPECT_EQ(driver->GetReferenceStep(), 0);

    // Each step moves its value a twentieth of the way to the new reading.
    int zero = driver->GetZeroOffset(0);
    probe->adjustResult = [](uint8_t frontEnd, int code) { return frontEnd == 0x07 ? code + 200 : code; };
    driver->UpdateNextReference();
    EXPECT_EQ(driver->GetZeroOffset(0), (zero * 19 + zero + 200) / 20);
    int reference = driver->GetReferenceCount(0);
    probe->adjustResult = [](uint8_t frontEnd, int code) { return frontEnd == 0x03 ? 0x7FFF : code; };
    driver->UpdateNextReference();
    EXPECT_EQ(driver->GetReferenceCount(0), reference) << "an over-range reference is not filtered in";
}

TEST_F(Analog104Test, VoltsPerCountFollowTheCardsTrueReferences) {
    Wire(2, 1, 2.5);
    Wire(2, 2, 0.004);
    Build(true);
    EXPECT_FLOAT_EQ(driver->GetNominalReference(0), static_cast<float>(config.referenceVolts[0]));
    int range = -1;
    EXPECT_NEAR(driver->Auto_Read_Volts(2, 1, 2000, &range), 2.5, 2 * Lsb[0]);
    EXPECT_EQ(range, 0);
    EXPECT_NEAR(driver->Auto_Read_Volts(2, 2, 2000, &range), 0.004, 2 * Lsb[3]);
    EXPECT_EQ(range, 3);
    EXPECT_NEAR(driver->GetMeasuredReferenceVolts(3), config.referenceVolts[3], 2 * Lsb[3]);

    // Nominal constants instead of the card's own are visibly off.
    Build(false);
    EXPECT_FLOAT_EQ(driver->GetNominalReference(0), 4.0f);
    EXPECT_GT(std::fabs(driver->Auto_Read_Volts(2, 1, 2000, &range) - 2.5), 3 * Lsb[0]);
    EXPECT_GT(std::fabs(driver->Auto_Read_Volts(2, 2, 2000, &range) - 0.004), 10 * Lsb[3]);
}

TEST_F(Analog104Test, FastReadRepeatsTheLastInputWithoutSwitching) {
    Wire(4, 6, 0.3);
    Build();
    int range = -1;
    driver->Auto_Read_Volts(4, 6, 100, &range);
    probe->frontEnd.clear();
    EXPECT_NEAR(driver->Read_Volts_Fast(500), 0.3, 2 * Lsb[range]);
    EXPECT_TRUE(probe->frontEnd.empty());
}

TEST_F(Analog104Test, ColdJunctionSensors) {
    Build();
    probe->card->SetColdJunctionSource(0, [](double) { return 21.5; });
    probe->card->SetColdJunctionSource(1, [](double) { return 30.0; });
    probe->card->SetColdJunctionSource(2, [](double) { return 45.0; });
    EXPECT_NEAR(driver->Read_CJC(0), 21.5, 0.02);
    EXPECT_NEAR(driver->Read_CJC(1), 30.0, 0.02);
    EXPECT_NEAR(driver->Read_CJC(2), 45.0, 0.02);
    EXPECT_EQ(driver->Read_CJC(3), 999.0f);
    EXPECT_EQ(driver->Read_CJC(-1), 999.0f);
    driver->UpdateAllReferences();
    EXPECT_NEAR(driver->GetColdJunctionTemperature(0), 21.5, 0.02);
    EXPECT_NEAR(driver->GetColdJunctionTemperature(1), 30.0, 0.02);
}

TEST(Analog104Thermocouple, LinearisationMatchesReferencePoints) {
    // 0 V with the cold junction at 25 C reads about 25 C for every type.
    for (int type : {VN_Lib::TC_TYPE_T, VN_Lib::TC_TYPE_K, VN_Lib::TC_TYPE_J}) {
        EXPECT_NEAR(VN_Lib::Analog104::Linearize_TC(0.0, 25.0, type), 25.0, 0.3) << type;
    }
    // Reference table voltages at 100 C against a 0 C junction.
    EXPECT_NEAR(VN_Lib::Analog104::Linearize_TC(0.004279, 0.0, VN_Lib::TC_TYPE_T), 100.0, 0.5);
    EXPECT_NEAR(VN_Lib::Analog104::Linearize_TC(0.004096, 0.0, VN_Lib::TC_TYPE_K), 100.0, 0.5);
    EXPECT_NEAR(VN_Lib::Analog104::Linearize_TC(0.005269, 0.0, VN_Lib::TC_TYPE_J), 100.0, 0.5);
    // Outside +-10 mV, a type not in the tables, not a number.
    EXPECT_EQ(VN_Lib::Analog104::Linearize_TC(0.011, 25.0, VN_Lib::TC_TYPE_K), -999.0f);
    EXPECT_EQ(VN_Lib::Analog104::Linearize_TC(-0.011, 25.0, VN_Lib::TC_TYPE_K), -999.0f);
    EXPECT_EQ(VN_Lib::Analog104::Linearize_TC(0.001, 25.0, 3), -999.0f);
    EXPECT_EQ(VN_Lib::Analog104::Linearize_TC(std::nan(""), 25.0, 0), -999.0f);
}

TEST_F(Analog104Test, FanPercentToDriveLevelAndTachometersBack) {
    config.fanCard = true;
    Build();
    const std::pair<float, int> levels[] = {
        {150.0f, 255}, {-5.0f, 0}, {50.0f, 128}, {std::numeric_limits<float>::quiet_NaN(), 0}, {100.0f, 255}};
    for (const auto& level : levels) {
        EXPECT_EQ(driver->SetFanSpeed(level.first), 0);
        EXPECT_EQ(probe->card->GpioWord() & 0xFF, level.second) << level.first;
    }
    ClockOffsetUs().store(int64_t{10} * 1000000);
    for (int fan = 0; fan < 4; ++fan) EXPECT_NEAR(driver->GetFanSpeed(fan), config.fanFullRpm[fan], 72.0) << fan;
    EXPECT_EQ(driver->GetFanSpeed(4), 0);
    EXPECT_EQ(driver->GetFanSpeed(-1), 0);
}

TEST_F(Analog104Test, EepromWriteIsSplitAtPageBoundaries) {
    Build();
    const unsigned char bytes[10] = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    ASSERT_EQ(driver->EEPROM_WriteData(bytes, 6, 10), 0);
    std::vector<std::vector<uint8_t>> writes;
    for (const auto& session : probe->eepromSessions) {
        if (!session.empty() && session[0] == 0x02) writes.push_back(session);
    }
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0], (std::vector<uint8_t>{0x02, 6, 10, 11}));
    EXPECT_EQ(writes[1], (std::vector<uint8_t>{0x02, 8, 12, 13, 14, 15, 16, 17, 18, 19}));
    unsigned char back[10] = {};
    ASSERT_EQ(driver->EEPROM_ReadData(back, 6, 10), 0);
    EXPECT_EQ(std::vector<unsigned char>(back, back + 10), std::vector<unsigned char>(bytes, bytes + 10));
    EXPECT_EQ(probe->card->EepromByte(15), 19);
}

TEST_F(Analog104Test, EepromContentsSurviveARestart) {
    Build();
    driver->SetNominalReference(2, 0.0401f);
    EXPECT_EQ(driver->WriteConstants(), 0);
    ASSERT_EQ(driver->EEPROM_WriteString(std::string(200, 'x'), 100), 0);
    ASSERT_EQ(driver->EEPROM_WriteDouble(-1.25e-7, 16), 0);
    ASSERT_EQ(driver->EEPROM_WriteFloat(3.5f, 24), 0);
    ASSERT_EQ(driver->EEPROM_WriteWord(-123456, 28), 0);
    ASSERT_EQ(driver->EEPROM_WriteByte(0xA7, 32), 0);

    Build(true);
    EXPECT_FLOAT_EQ(driver->GetNominalReference(2), 0.0401f);
    EXPECT_FLOAT_EQ(driver->GetNominalReference(0), static_cast<float>(config.referenceVolts[0]));
    std::string text;
    ASSERT_EQ(driver->EEPROM_ReadString(&text, 100, 500), 0);
    EXPECT_EQ(text, std::string(127, 'x')) << "128 bytes at most, the last one the terminator";
    double d = 0;
    float f = 0;
    int32_t w = 0;
    unsigned char b = 0;
    ASSERT_EQ(driver->EEPROM_ReadDouble(&d, 16), 0);
    ASSERT_EQ(driver->EEPROM_ReadFloat(&f, 24), 0);
    ASSERT_EQ(driver->EEPROM_ReadWord(&w, 28), 0);
    ASSERT_EQ(driver->EEPROM_ReadByte(&b, 32), 0);
    EXPECT_EQ(d, -1.25e-7);
    EXPECT_EQ(f, 3.5f);
    EXPECT_EQ(w, -123456);
    EXPECT_EQ(b, 0xA7);
    // Little-endian on the chip, whatever the host.
    EXPECT_EQ(probe->card->EepromByte(28), 0xC0);
    EXPECT_EQ(probe->card->EepromByte(31), 0xFF);
}

TEST_F(Analog104Test, BlankEepromKeepsTheDefaultConstants) {
    config.factoryConstants = false;
    testing::internal::CaptureStdout();
    Build(true);
    EXPECT_THAT(testing::internal::GetCapturedStdout(), testing::HasSubstr("Error Reading refs from EEPROM"));
    for (int r = 0; r < 4; ++r) EXPECT_FLOAT_EQ(driver->GetNominalReference(r), 4.0f / std::pow(10.0f, r));
    EXPECT_GT(driver->GetVoltsPerCount(0), 0.0f);
}

TEST_F(Analog104Test, EepromAreasOutsideTheArrayAreRefused) {
    Build();
    unsigned char buffer[16] = {};
    EXPECT_EQ(driver->EEPROM_ReadData(buffer, 250, 10), 1);
    EXPECT_EQ(driver->EEPROM_ReadData(buffer, 0, 0), 1);
    EXPECT_EQ(driver->EEPROM_ReadData(buffer, -1, 4), 1);
    EXPECT_EQ(driver->EEPROM_ReadData(nullptr, 0, 4), 1);
    EXPECT_EQ(driver->EEPROM_WriteData(buffer, 255, 2), 1);
    EXPECT_EQ(driver->EEPROM_WriteData(buffer, 256, 1), 1);
    EXPECT_TRUE(probe->eepromSessions.empty());
    EXPECT_EQ(driver->EEPROM_WriteData(buffer, 255, 1), 0);
}

TEST_F(Analog104Test, AveragingWindowHoldsABoundedNumberOfConversions) {
    Build();
    int flag = -1;
    for (unsigned window : {0u, 100u, 2000u}) {
        probe->resultReads = 0;
        driver->ReadAD_Fast(0, window, &flag);
        EXPECT_EQ(flag, 0);
        int conversions = probe->resultReads - 1;  // the first read is discarded
        EXPECT_GE(conversions, 1);
        EXPECT_LE(conversions, static_cast<int>(window / 10) + 2) << "window " << window;
    }
}

TEST_F(Analog104Test, LongWindowSumsWithoutOverflow) {
    Build();
    probe->fixedResult = 32000;
    int flag = -1;
    // The longest window the unit uses; long enough to pass 2^31 even on a slow (sanitized) build.
    EXPECT_EQ(driver->ReadAD_Fast(0, 1000000, &flag), 32000);
    EXPECT_EQ(flag, 0);
    ASSERT_GT(int64_t{probe->resultReads} * 32000, int64_t{std::numeric_limits<int32_t>::max()})
        << "too few reads to have tested the sum";
}

TEST_F(Analog104Test, BadConversionRequestsTouchNoPort) {
    Build();
    for (auto bad : {std::vector<int>{4, 0, 0}, {-1, 0, 0}, {0, 8, 0}, {0, 0, -1}}) {
        int flag = 0;
        EXPECT_EQ(driver->ReadAD(bad[0], bad[1], bad[2], 0, 10, 0, &flag), 0);
        EXPECT_EQ(flag, 22);
    }
    int range = -1;
    driver->Auto_Read_Int(9, 0, 100, &range);
    EXPECT_TRUE(probe->frontEnd.empty());
    EXPECT_EQ(driver->GetCurrentRange(), 0);
}

TEST_F(Analog104Test, NoConversionWithin101PollsIsFlagged) {
    Build();
    probe->neverReady = true;
    int flag = 0;
    EXPECT_EQ(driver->ReadAD_Fast(0, 1000, &flag), 0);
    EXPECT_EQ(flag, 22);
}

// Replies with the byte it is sent plus one.
class EchoDevice : public VN_Sim::SpiDevice {
public:
    void Select() override {}
    void Deselect() override {}
    uint8_t Transfer(uint8_t mosi) override { return static_cast<uint8_t>(mosi + 1); }
};

TEST_F(Analog104Test, SpiBytesAsTheCanDriverUsesThem) {
    Build();
    ASSERT_EQ(probe->card->AttachSpiDevice(0, std::make_shared<EchoDevice>()), 0);
    EXPECT_EQ(driver->SPI_Select0(), 0);
    EXPECT_EQ(driver->SPI_Write(0x10), 0);
    EXPECT_EQ(driver->SPI_Read_NoWait(), 0x11);
    EXPECT_EQ(driver->SPI_Read_Wait(), 0x01) << "the read clocked 0x00 out";
    EXPECT_EQ(driver->SPI_DeSelect(), 0);
    probe->spiStuck = true;
    EXPECT_EQ(driver->SPI_Write(0x20), 26);
}

// The CAN receive thread uses the SPI port while the main thread converts.
TEST_F(Analog104Test, SpiTransfersOnAnotherThreadLeaveConversionsIntact) {
    Wire(2, 1, 1.0);
    Build();
    ASSERT_EQ(probe->card->AttachSpiDevice(1, std::make_shared<EchoDevice>()), 0);
    std::atomic<int> wrongReplies{0};
    std::thread can([this, &wrongReplies] {
        for (int i = 0; i < 200; ++i) {
            VN_Lib::Analog104::LockSpiMutex();
            driver->SPI_Select1();
            driver->SPI_Write(static_cast<unsigned char>(i));
            if (driver->SPI_Read_NoWait() != static_cast<unsigned char>(i + 1)) ++wrongReplies;
            driver->SPI_DeSelect();
            VN_Lib::Analog104::UnlockSpiMutex();
        }
    });
    for (int i = 0; i < 10; ++i) EXPECT_NEAR(driver->Auto_Read_Volts(2, 1, 100, nullptr), 1.0, 3 * Lsb[0]);
    can.join();
    EXPECT_EQ(wrongReplies.load(), 0);
}

TEST_F(Analog104Test, GpioWordAndBytes) {
    Build();
    driver->GPIO_WriteWord(0x1234);
    EXPECT_EQ(driver->GPIO_ReadWord(), 0x1234);
    EXPECT_EQ(driver->GPIO_ReadLowByte(), 0x34);
    EXPECT_EQ(driver->GPIO_ReadHighByte(), 0x12);
    driver->GPIO_WriteHighByte(0xAB);
    driver->GPIO_WriteLowByte(0xCD);
    EXPECT_EQ(driver->GPIO_ReadWord(), 0xABCD);
}

}  // namespace
}  // namespace VN_Test
