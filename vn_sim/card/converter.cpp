#include "vn_sim/card/converter.h"

#include <cmath>

#include "vn_sim/card/card_clock.h"
#include "vn_sim/card/conversion_tally.h"

namespace VN_Sim {

namespace {

const double Codes = 32768.0;
const int32_t CodeMax = 0x7FFF;
const int32_t CodeMin = -32768;
// The amplifier saturates a little beyond the converter's full scale.
const double OutputRail = 1.2;
const double RangeFullScale[4] = {5.0, 0.5, 0.05, 0.005};

int RangeOf(uint8_t code) { return code >> 6; }
int MuxOf(uint8_t code) { return (code >> 3) & 7; }
int ChanOf(uint8_t code) { return code & 7; }

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0); }

}  // namespace

Converter::Converter(const AnalogCardConfig_T& cardConfig, const CardInputs& cardInputs, CardFaults& cardFaults,
                     int64_t nowUs)
    : config(cardConfig),
      inputs(cardInputs),
      faults(cardFaults),
      noise(cardConfig.seed),
      startUs(nowUs),
      switchUs(nowUs) {}

int64_t Converter::IndexAt(int64_t nowUs) const { return FloorDiv(nowUs - startUs, config.conversionPeriodUs); }

double Converter::Target(int64_t tUs) const {
    double volts = inputs.Volts(MuxOf(frontEnd), ChanOf(frontEnd), CardSeconds(tUs));
    return volts / RangeFullScale[RangeOf(frontEnd)];
}

double Converter::Output(int64_t tUs) const {
    double since = tUs > switchUs ? static_cast<double>(tUs - switchUs) : 0.0;
    double output = Target(tUs) + residual * std::exp(-since / config.settlingTauUs);
    if (output > OutputRail) return OutputRail;
    if (output < -OutputRail) return -OutputRail;
    return output;
}

uint16_t Converter::Convert(int64_t index) const {
    int64_t completedUs = startUs + index * config.conversionPeriodUs;
    double output = Output(completedUs);
    if (!std::isfinite(output)) {
        faults.Report("input source gave a value that is not a number");
        return static_cast<uint16_t>(CodeMax);
    }
    double lsb = RangeFullScale[RangeOf(frontEnd)] / Codes;
    double offset = config.adcOffsetCounts + config.inputOffsetVolts / lsb;
    double inputNoise = config.inputNoiseVolts / lsb;
    double sigma = std::sqrt(config.adcNoiseCounts * config.adcNoiseCounts + inputNoise * inputNoise);
    double counts =
        std::floor(output * Codes + offset + sigma * noise.Gaussian(static_cast<uint64_t>(index)) + 0.5);
    if (counts >= CodeMax) return static_cast<uint16_t>(CodeMax);
    if (counts <= CodeMin) return static_cast<uint16_t>(CodeMin);
    return static_cast<uint16_t>(static_cast<int32_t>(counts));
}

void Converter::Latch(int64_t nowUs) {
    int64_t index = IndexAt(nowUs);
    if (index == latchedIndex) return;
    latchedCode = Convert(index);
    latchedIndex = index;
}

void Converter::SetFrontEnd(uint8_t code, int64_t nowUs) {
    CountFrontEndSwitch();
    Latch(nowUs);
    double before = Output(nowUs);
    frontEnd = code;
    switchUs = nowUs;
    residual = before - Target(nowUs);
    if (!std::isfinite(residual)) residual = 0.0;
}

bool Converter::ResultReady(int64_t nowUs) const { return IndexAt(nowUs) > lastReadIndex; }

int64_t Converter::UsUntilReady(int64_t nowUs) const {
    if (ResultReady(nowUs)) return 0;
    return startUs + (lastReadIndex + 1) * config.conversionPeriodUs - nowUs;
}

uint16_t Converter::ReadResult(int64_t nowUs) {
    CountResultRead();
    Latch(nowUs);
    lastReadIndex = latchedIndex;
    return latchedCode;
}

}  // namespace VN_Sim
