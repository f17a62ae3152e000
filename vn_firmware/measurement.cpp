#include "measurement.h"

void Measurement::Initialize(VN_Lib::Analog104* analogCard, int muxSetting, int channel, double factor) {
    card = analogCard;
    mux = muxSetting;
    chan = channel;
    SetConversionFactor(factor);
}

void Measurement::SetConversionFactor(double factor) {
    conversionFactor = factor;
    conversionSet = true;
}

void Measurement::SetBeforeConversionFactor(double factor) { beforeConversionFactor = factor; }

int Measurement::Update(unsigned int sampleTime) {
    if (!conversionSet) return ErrConversionNotSet;
    if (card == nullptr) {
        fullScale = 0.0;
        resolution = 0.0;
        return ErrNoCard;
    }
    int range = 0;
    volts = card->Auto_Read_Volts(mux, chan, sampleTime, &range);
    gainIndex = range;
    value = volts * conversionFactor;
    resolution = conversionFactor * card->GetVoltsPerCount(range);
    fullScale = resolution * 32767;
    return 0;
}

int Measurement::UpdateFast(unsigned int sampleTime) {
    fullScale = 0.0;
    resolution = 0.0;
    if (!conversionSet) return ErrConversionNotSet;
    if (card == nullptr) return ErrNoCard;
    volts = card->Read_Volts_Fast(sampleTime);
    value = volts * conversionFactor;
    return 0;
}
