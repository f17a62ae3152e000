#ifndef VN_FIRMWARE_THERMAL_H
#define VN_FIRMWARE_THERMAL_H

#include <vector>

#include "long_timer.h"

namespace VN_Lib {

class Analog104;

// One module's last readings and its power rating, as the fan rule sees them.
struct ModulePower_T {
    int id;
    double voltage;
    double current;
    double pmax;
};

// Cooling of the load heat sinks: the fan speed follows the hottest heat sink
// and the loads' share of their power rating, rises at once and falls slowly;
// a heat sink above 110 °C holds every load at open circuit for 600 s.
class Thermal {
public:
    static constexpr int ErrNoFanCard = 604;
    static constexpr double OverTemperatureC = 110.0;
    static constexpr unsigned HoldSeconds = 600;
    static constexpr float MinimumFanSpeed = 20.0f;
    static constexpr float StepDownPercent = 10.0f;

    Thermal();

    // The card whose outputs drive the fans, or nullptr; a card's fans start at 0 %.
    void SetFanCard(Analog104* card);
    Analog104* FanCard() const { return fanCard; }

    // Wanted speed in %: the largest of the heat-sink, single-module and total
    // rules, at least 20.
    float GetNewFanSpeed(double heatsinkTemp, const std::vector<ModulePower_T>& modules) const;
    // Raises the fans at once; lowers them by at most 10 points per call, and
    // only once 600 s have passed since the last raise. 0.
    int UpdateFanSpeed(double heatsinkTemp, const std::vector<ModulePower_T>& modules);
    // Ends an expired hold, then starts or extends one above 110 °C. 0.
    int CheckHeatsinkTemperature(double heatsinkTemp);
    // 604 without a fan card.
    int SetFanSpeed(float percent);

    bool OverTemperature() const { return overTemperature; }
    float FanSpeed() const { return fanSpeed; }

private:
    bool overTemperature = false;
    LongTimer overTemperatureTimer;
    float fanSpeed = 0.0f;
    LongTimer fanTimer;
    double temperatureOffset = 25.0;
    double temperatureGain = 2.5;
    double singleOffset = 0.0;
    double singleGain = 100.0;
    double totalOffset = 0.0;
    double totalGain = 120.0;
    Analog104* fanCard = nullptr;
};

}  // namespace VN_Lib

#endif
