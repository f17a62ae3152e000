#include "vn_sim/card/fan_drive.h"

#include <cmath>

namespace VN_Sim {

namespace {

const double RpmPerCount = 71.526;

}  // namespace

FanDrive::FanDrive(const AnalogCardConfig_T& config, int64_t nowUs)
    : lagSeconds(config.fanLagSeconds), changeUs(nowUs) {
    for (int f = 0; f < FanCount; ++f) fullRpm[f] = config.fanFullRpm[f];
}

double FanDrive::Fraction(int64_t nowUs) const {
    double since = nowUs > changeUs ? static_cast<double>(nowUs - changeUs) / 1e6 : 0.0;
    return target + (atChange - target) * std::exp(-since / lagSeconds);
}

double FanDrive::Rpm(int fan, int64_t nowUs) const {
    return (fan >= 0 && fan < FanCount) ? fullRpm[fan] * Fraction(nowUs) : 0.0;
}

void FanDrive::SetLevel(uint8_t level, int64_t nowUs) {
    atChange = Fraction(nowUs);
    changeUs = nowUs;
    target = level / 255.0;
}

uint8_t FanDrive::TachCounts(int fan, int64_t nowUs) const {
    double counts = std::floor(Rpm(fan, nowUs) / RpmPerCount + 0.5);
    if (counts <= 0.0) return 0;
    if (counts >= 255.0) return 255;
    return static_cast<uint8_t>(counts);
}

}  // namespace VN_Sim
