#include "channels/aux_input_channel.h"

#include "common/line_text.h"
#include "common/xml_helper.h"

namespace VN_Sample {

namespace {

double Convert(double measured, double convertedReference, double convertedOffset, double voltageReference) {
    if (voltageReference == 0.0 || measured == InvalidValue) return InvalidValue;
    return measured * convertedReference / voltageReference + convertedOffset;
}

}  // namespace

AuxInputChannel::AuxInputChannel(TiXmlElement& element) : AuxInputChannel() { Initialize(element); }

int AuxInputChannel::Initialize(TiXmlElement& element) {
    // Description and units are written into single lines of the data file.
    if (const char* description = element.Attribute("description")) sample.name = OneLineText(description);
    double measured = 0.0;
    if (element.QueryDoubleAttribute("measured_voltage", &measured) == TIXML_SUCCESS) sample.RestoreValue(measured);
    element.QueryDoubleAttribute("converted_ref", &convertedReference);
    element.QueryDoubleAttribute("converted_offset", &convertedOffset);
    element.QueryDoubleAttribute("voltage_ref", &voltageReference);
    const char* units = element.Attribute("units");
    sample.units = OneLineText(units != nullptr ? units : "");
    element.QueryIntAttribute("data_source", &dataSourceId);
    element.QueryIntAttribute("input_id", &localId);
    return 0;
}

TiXmlElement* AuxInputChannel::MakeNewXmlElement() const {
    auto* element = new TiXmlElement("AuxInput");
    XmlHelper::SetRealAttribute(element, "converted_value", GetConvertedValue());
    element->SetAttribute("description", sample.name);
    XmlHelper::SetRealAttribute(element, "measured_voltage", sample.value);
    XmlHelper::SetRealAttribute(element, "converted_ref", convertedReference);
    XmlHelper::SetRealAttribute(element, "converted_offset", convertedOffset);
    XmlHelper::SetRealAttribute(element, "voltage_ref", voltageReference);
    element->SetAttribute("units", sample.units);
    element->SetAttribute("data_source", dataSourceId);
    element->SetAttribute("input_id", localId);
    return element;
}

double AuxInputChannel::GetConvertedValue() const {
    return Convert(sample.value, convertedReference, convertedOffset, voltageReference);
}

double AuxInputChannel::GetConvertedAverage() const {
    return Convert(sample.average, convertedReference, convertedOffset, voltageReference);
}

}  // namespace VN_Sample
