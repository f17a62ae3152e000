#ifndef VN_CONTROLLER_AUX_INPUT_CHANNEL_H
#define VN_CONTROLLER_AUX_INPUT_CHANNEL_H

#include <tinyxml.h>

#include "channels/aux_input_sample.h"
#include "channels/channel.h"

namespace VN_Sample {

// A voltage input scaled to a physical quantity (an irradiance, say).
class AuxInputChannel : public Channel {
public:
    AuxInputChannel() = default;
    explicit AuxInputChannel(TiXmlElement& element);

    // Reads an "AuxInput" element; always 0.
    int Initialize(TiXmlElement& element);
    // New "AuxInput" element; the caller owns it.
    TiXmlElement* MakeNewXmlElement() const;

    // measured × converted reference ÷ voltage reference + offset, or InvalidValue.
    double GetConvertedValue() const;
    double GetConvertedAverage() const;

    AuxInputSample sample;
    double convertedReference = 1.0;
    double convertedOffset = 0.0;
    double voltageReference = 1.0;
};

}  // namespace VN_Sample

#endif
