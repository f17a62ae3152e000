#ifndef VN_FIRMWARE_TEMP_MEASUREMENT_H
#define VN_FIRMWARE_TEMP_MEASUREMENT_H

#include "measurement.h"

// A thermocouple input: the measurement's value is the thermocouple voltage
// (factor 1.0, set when built), turned into degrees C with the card's
// cold-junction temperature.
class TempMeasurement : public Measurement {
public:
    static constexpr float NoTemperature = -999.0f;

    TempMeasurement();

    // 'J' type J, 'K' type K, anything else type T.
    void SetType(char letter);

    // Measurement::Update, then Linearize when it succeeded.
    int Update(unsigned int sampleTime);
    // Temperature of the present value with the cold junction of the card
    // sensor beside the input (mux 1 and 3: sensor 0, else sensor 1); -999
    // outside the thermocouple range. 0, or 605 without a card.
    int Linearize();

    // A VN_Lib::TC_Type.
    int Type() const { return type; }
    float Temperature() const { return temperature; }
    float ColdJunctionTemperature() const { return coldJunctionTemperature; }

private:
    float coldJunctionTemperature = 0.0f;
    int type = VN_Lib::TC_TYPE_T;
    float temperature = NoTemperature;
};

#endif
