#include "channels/irradiance.h"

#include "common/xml_helper.h"

namespace VN_Sample {

Irradiance::Irradiance(const AuxInputChannel& channel)
    : description(channel.sample.name),
      converted_value(channel.GetConvertedValue()),
      measured_voltage(channel.sample.value),
      units(channel.sample.units),
      data_source(channel.dataSourceId),
      input_id(channel.localId) {}

// Attributes that are absent or not numbers leave the defaults.
Irradiance::Irradiance(TiXmlElement& element) {
    XmlHelper::GetSafeStringAtrtribute(&element, "description", description);
    element.QueryDoubleAttribute("converted_value", &converted_value);
    element.QueryDoubleAttribute("measured_voltage", &measured_voltage);
    element.QueryDoubleAttribute("measured_temperature", &measured_temperature);
    XmlHelper::GetSafeStringAtrtribute(&element, "units", units);
    element.QueryIntAttribute("data_source", &data_source);
    element.QueryIntAttribute("input_id", &input_id);
}

TiXmlElement* Irradiance::MakeNewXmlElement() const {
    auto* element = new TiXmlElement("Irrad");
    XmlHelper::SetRealAttribute(element, "converted_value", converted_value);
    element->SetAttribute("description", description);
    element->SetAttribute("units", units);
    XmlHelper::SetRealAttribute(element, "measured_voltage", measured_voltage);
    XmlHelper::SetRealAttribute(element, "measured_temperature", measured_temperature);
    // Only pyranometers are recorded as irradiances.
    element->SetAttribute("input_source", "PYRANOMETER");
    element->SetAttribute("data_source", data_source);
    element->SetAttribute("input_id", input_id);
    return element;
}

}  // namespace VN_Sample
