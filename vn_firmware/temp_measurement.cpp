#include "temp_measurement.h"

TempMeasurement::TempMeasurement() { SetConversionFactor(1.0); }

void TempMeasurement::SetType(char letter) {
    if (letter == 'J') {
        type = VN_Lib::TC_TYPE_J;
    } else if (letter == 'K') {
        type = VN_Lib::TC_TYPE_K;
    } else {
        type = VN_Lib::TC_TYPE_T;
    }
}

int TempMeasurement::Update(unsigned int sampleTime) {
    int result = Measurement::Update(sampleTime);
    if (result != 0) return result;
    return Linearize();
}

int TempMeasurement::Linearize() {
    if (Card() == nullptr) return ErrNoCard;
    // The card keeps two cold-junction sensors: 0 for multiplexers 1 and 3, 1 for the others.
    int sensor = (Mux() == 1 || Mux() == 3) ? 0 : 1;
    coldJunctionTemperature = Card()->GetColdJunctionTemperature(sensor);
    temperature = VN_Lib::Analog104::Linearize_TC(Value(), coldJunctionTemperature, type);
    return 0;
}
