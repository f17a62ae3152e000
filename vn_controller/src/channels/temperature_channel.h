#ifndef VN_CONTROLLER_TEMPERATURE_CHANNEL_H
#define VN_CONTROLLER_TEMPERATURE_CHANNEL_H

#include <tinyxml.h>

#include "channels/channel.h"
#include "channels/temperature_sample.h"

namespace VN_Sample {

class TemperatureChannel : public Channel {
public:
    TemperatureChannel();
    explicit TemperatureChannel(TiXmlElement& element);

    // Reads a "Temperature" element; always 0.
    int Initialize(TiXmlElement& element);
    // New "Temperature" element; the caller owns it.
    TiXmlElement* MakeNewXmlElement() const;

    TemperatureSample sample;
};

}  // namespace VN_Sample

#endif
