#ifndef VN_CONTROLLER_IRRADIANCE_H
#define VN_CONTROLLER_IRRADIANCE_H

#include <tinyxml.h>

#include <string>

#include "channels/aux_input_channel.h"
#include "channels/data_sample.h"

namespace VN_Sample {

// An irradiance sensor reading taken with a curve.
class Irradiance {
public:
    Irradiance() = default;
    explicit Irradiance(const AuxInputChannel& channel);
    explicit Irradiance(TiXmlElement& element);

    double GetValue() const { return converted_value; }
    // New "Irrad" element; the caller owns it.
    TiXmlElement* MakeNewXmlElement() const;

    std::string description;
    double converted_value = InvalidValue;
    double measured_voltage = InvalidValue;
    double measured_temperature = InvalidValue;
    std::string input_source = "PYRANOMETER";
    std::string units = "w/m^2";
    int data_source = -1;
    int input_id = -1;
};

}  // namespace VN_Sample

#endif
