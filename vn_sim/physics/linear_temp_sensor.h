#ifndef VN_SIM_LINEAR_TEMP_SENSOR_H
#define VN_SIM_LINEAR_TEMP_SENSOR_H

namespace VN_Sim {

// Integrated temperature sensor with a linear output, by default 10 mV/°C and
// 0 V at 0 °C: the cold-junction sensors of the analog card, which the card
// driver reads as volts × 100.
class LinearTempSensor {
public:
    explicit LinearTempSensor(double voltsPerDegree = 0.01, double voltsAtZero = 0.0)
        : slope(voltsPerDegree), offset(voltsAtZero) {}

    double OutputVolts(double temperatureC) const { return offset + slope * temperatureC; }

private:
    double slope;
    double offset;
};

}  // namespace VN_Sim

#endif
