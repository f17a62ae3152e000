#include "thermal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analog104.h"

namespace VN_Lib {

Thermal::Thermal() {
    fanTimer.SetAlarm(HoldSeconds, 0);
    fanTimer.EnableAlarm();
    fanTimer.Restart();
}

void Thermal::SetFanCard(Analog104* card) {
    fanCard = card;
    if (fanCard != nullptr) {
        fanSpeed = 0.0f;
        SetFanSpeed(0.0f);
    }
}

float Thermal::GetNewFanSpeed(double heatsinkTemp, const std::vector<ModulePower_T>& modules) const {
    double sumPower = 0.0;
    double sumPmax = 0.0;
    double maxRatio = 0.0;
    ModulePower_T busiest{0, 0.0, 0.0, 0.0};
    double busiestPower = 0.0;
    for (const ModulePower_T& m : modules) {
        double power = std::fabs(m.voltage * m.current);
        sumPower += power;
        sumPmax += m.pmax;
        // A rating of 0 would make the ratio meaningless (infinite or NaN).
        if (m.pmax <= 0.0) continue;
        double ratio = std::fabs(power / m.pmax);
        if (ratio > maxRatio) {
            maxRatio = ratio;
            busiest = m;
            busiestPower = power;
        }
    }

    double single = (maxRatio - singleOffset) * singleGain;
    double totalRatio = sumPmax > 0.0 ? sumPower / sumPmax : 0.0;
    double total = (totalRatio - totalOffset) * totalGain;
    double sink = (heatsinkTemp - temperatureOffset) * temperatureGain;

    double speed = std::max(single, sink);
    if (sumPmax > 0.0) speed = std::max(speed, total);
    speed = std::max(speed, static_cast<double>(MinimumFanSpeed));

    if (speed > MinimumFanSpeed) {
        std::printf(
            "Fan speed %f\nSink Speed %f    Sink Temp %f\n Total Speed %f   Total per %f\n Max single prec%f   "
            "Max pwr %f   chan %i\nmax Volts %f   max Amps %f\n",
            speed, sink, heatsinkTemp, total, totalRatio, maxRatio, busiestPower, busiest.id, busiest.voltage,
            busiest.current);
    }
    return static_cast<float>(speed);
}

int Thermal::UpdateFanSpeed(double heatsinkTemp, const std::vector<ModulePower_T>& modules) {
    float wanted = GetNewFanSpeed(heatsinkTemp, modules);
    if (wanted > fanSpeed) {
        SetFanSpeed(wanted);
        fanSpeed = wanted;
        fanTimer.Restart();
        fanTimer.EnableAlarm();
    } else if (fanTimer.CheckAlarm()) {
        // The timer stays fired, so each later check steps down again.
        float lowered = std::max(wanted, fanSpeed - StepDownPercent);
        SetFanSpeed(lowered);
        fanSpeed = lowered;
    }
    return 0;
}

int Thermal::CheckHeatsinkTemperature(double heatsinkTemp) {
    if (overTemperature && overTemperatureTimer.CheckAlarm()) {
        overTemperature = false;
        overTemperatureTimer.DisableAlarm();
    }
    if (heatsinkTemp > OverTemperatureC) {
        std::printf("Heat Sink Over Temp %f   \n", heatsinkTemp);
        overTemperature = true;
        overTemperatureTimer.SetAlarm(HoldSeconds, 0);
        overTemperatureTimer.EnableAlarm();
        overTemperatureTimer.Restart();
    }
    return 0;
}

int Thermal::SetFanSpeed(float percent) {
    if (fanCard == nullptr) return ErrNoFanCard;
    fanCard->SetFanSpeed(percent);
    return 0;
}

}  // namespace VN_Lib
