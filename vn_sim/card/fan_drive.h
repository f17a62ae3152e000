#ifndef VN_SIM_CARD_FAN_DRIVE_H
#define VN_SIM_CARD_FAN_DRIVE_H

#include <cstdint>

#include "vn_sim/card/analog_card_config.h"

namespace VN_Sim {

// Four fans on one drive level (0..255) and their tachometer counters. The
// fans' speed approaches level / 255 of their full speeds first-order; a count
// is one unit of 71.526 rpm, as the driver converts it.
class FanDrive {
public:
    static const int FanCount = 4;

    FanDrive(const AnalogCardConfig_T& config, int64_t nowUs);

    void SetLevel(uint8_t level, int64_t nowUs);
    // Counts of fan 0..3, 0..255.
    uint8_t TachCounts(int fan, int64_t nowUs) const;
    double Rpm(int fan, int64_t nowUs) const;

private:
    double Fraction(int64_t nowUs) const;

    double fullRpm[FanCount];
    double lagSeconds;
    // Fraction of full speed.
    double target = 0.0;
    double atChange = 0.0;
    int64_t changeUs;
};

}  // namespace VN_Sim

#endif
