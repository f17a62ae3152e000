#ifndef VN_TEST_CARD_FIXTURE_H
#define VN_TEST_CARD_FIXTURE_H

#include <gtest/gtest.h>
#include <sys/time.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "clock.h"
#include "test_support.h"
#include "vn_sim/card/analog_card.h"
#include "vn_sim/card/card_clock.h"

namespace VN_Test {

// The wall clock shifted by an offset the test moves, so long lags can be
// stepped over without waiting.
inline std::atomic<int64_t>& ClockOffsetUs() {
    static std::atomic<int64_t> offset{0};
    return offset;
}

inline void ShiftedClock(struct timeval* tv) {
    gettimeofday(tv, nullptr);
    int64_t us = static_cast<int64_t>(tv->tv_sec) * 1000000 + tv->tv_usec + ClockOffsetUs().load();
    tv->tv_sec = static_cast<time_t>(us / 1000000);
    tv->tv_usec = static_cast<suseconds_t>(us % 1000000);
}

// Busy-waits on the card's clock.
inline void WaitUs(int64_t us) {
    int64_t end = VN_Sim::CardMicroseconds() + us;
    while (VN_Sim::CardMicroseconds() < end) {
    }
}

// One card in a fresh working directory (its EEPROM file lands there), on a
// clock the test can move forward.
class CardTest : public ::testing::Test {
protected:
    static const unsigned Status = 0;
    static const unsigned Result = 2;
    static const unsigned SpiData = 4;
    static const unsigned SpiSelect = 5;
    static const unsigned Gpio = 6;
    static const unsigned FrontEnd = 8;

    CardTest() {
        ClockOffsetUs().store(0);
        VN_Lib::SetClockFunction(ShiftedClock);
        VN_Lib::SetMonotonicClockFunction(ShiftedClock);
    }
    ~CardTest() override {
        VN_Lib::SetClockFunction(nullptr);
        VN_Lib::SetMonotonicClockFunction(nullptr);
    }

    // Noise off, so counts are exact.
    void Quiet() {
        config.adcNoiseCounts = 0.0;
        config.inputNoiseVolts = 0.0;
    }
    void MakeCard() { card = std::make_shared<VN_Sim::AnalogCard>(config); }

    void Switch(int range, int mux, int chan) {
        card->WriteByte(FrontEnd, static_cast<uint8_t>(range << 6 | mux << 3 | chan));
    }
    // The first conversion completed after the call.
    int NextConversion() {
        card->ReadWord(Result);
        while ((card->ReadByte(Status) & 1) == 0) {
        }
        return static_cast<int16_t>(card->ReadWord(Result));
    }
    // Switches, waits for the input to settle and converts.
    int Settled(int range, int mux, int chan) {
        Switch(range, mux, chan);
        WaitUs(3000);
        return NextConversion();
    }

    TempDir dir;
    ScopedWorkingDir workingDir{dir.Path()};
    VN_Sim::AnalogCardConfig_T config;
    std::shared_ptr<VN_Sim::AnalogCard> card;
};

}  // namespace VN_Test

#endif
