#ifndef VN_SIM_PYRANOMETER_H
#define VN_SIM_PYRANOMETER_H

namespace VN_Sim {

// Thermopile pyranometer: an output voltage proportional to the irradiance.
class Pyranometer {
public:
    // Sensitivity in µV per W/m²; 10 gives 10 mV at 1000 W/m².
    explicit Pyranometer(double microvoltsPerWm2 = 10.0) : sensitivity(microvoltsPerWm2) {}

    double OutputVolts(double irradiance) const { return irradiance * sensitivity * 1e-6; }
    double Sensitivity() const { return sensitivity; }

private:
    double sensitivity;
};

}  // namespace VN_Sim

#endif
