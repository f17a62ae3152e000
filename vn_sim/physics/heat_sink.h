#ifndef VN_SIM_HEAT_SINK_H
#define VN_SIM_HEAT_SINK_H

namespace VN_Sim {

// Defaults: one heat sink carrying four 280 W loads. Fans stopped, full sun
// heats it about 110 K above the intake air; fans at full speed, about 35 K.
struct HeatSinkParams_T {
    double stillResistance = 0.1;   // K/W to the intake air, fans stopped
    double fullResistance = 0.03;   // K/W with the fans at 100 %
    double heatCapacity = 10000.0;  // J/K (some 11 kg of aluminium)
};

// First-order thermal model: C dT/dt = P − (T − T_intake) / R(fan). The fans
// add thermal conductance in proportion to their speed, so the time constant
// R·C is about 17 minutes in still air and 5 minutes with full cooling. Inputs
// hold from one call to the next; the temperature is evaluated lazily at the
// simulated times the caller passes in (the model reads no clock). Not
// synchronised: the owner serialises calls.
class HeatSink {
public:
    HeatSink(const HeatSinkParams_T& params, double startTime, double startTemperatureC);

    // PHYS_BAD_PARAMETER unless 0 < full resistance <= still resistance and
    // the heat capacity is positive, all finite.
    static int CheckParams(const HeatSinkParams_T& params);

    // Advances to t under the old inputs, then takes the new ones: the power
    // dissipated in the sink, the fan speed (clamped to 0..100 %) and the
    // temperature of the air drawn over it. PHYS_OUT_OF_RANGE (and nothing
    // changes) for an input that is not finite.
    int SetInputs(double t, double powerW, double fanPercent, double intakeC);

    // Advances to t; a time before the last one advances nothing.
    double Temperature(double t);

    double ThermalResistance(double fanPercent) const;
    // Where the temperature is heading under the present inputs.
    double SteadyTemperature() const;

private:
    void Advance(double t);

    HeatSinkParams_T params;
    double lastTime;
    double temperature;
    double power = 0.0;
    double fanPercent = 0.0;
    double intake;
};

}  // namespace VN_Sim

#endif
