#ifndef VN_FIRMWARE_IV_MEASUREMENT_H
#define VN_FIRMWARE_IV_MEASUREMENT_H

#include "measurement.h"

// The voltage (V) and current (A) inputs of one PV module.
class IV_Measurement {
public:
    // Voltage, then current if the voltage succeeded; the first error.
    int Update(unsigned int sampleTime);
    // Fast readings of both inputs on the inputs their cards have selected.
    // On one card: one reading each (the first error). On two cards: readings
    // repeated and averaged until period us have passed (at least one round);
    // a failing reading stops the rounds and its error is returned.
    int UpdateFast(unsigned int period);

    Measurement& Voltage() { return voltage; }
    const Measurement& Voltage() const { return voltage; }
    Measurement& Current() { return current; }
    const Measurement& Current() const { return current; }

private:
    Measurement voltage;
    Measurement current;
};

#endif
