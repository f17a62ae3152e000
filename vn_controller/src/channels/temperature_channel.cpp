#include "channels/temperature_channel.h"

#include "common/line_text.h"
#include "common/xml_helper.h"

namespace VN_Sample {

namespace {

// Only the first letter counts, and only in upper case.
int TcTypeCode(const char* name) {
    if (name == nullptr) return TcUnknown;
    switch (name[0]) {
        case 'T': return TcTypeT;
        case 'K': return TcTypeK;
        case 'J': return TcTypeJ;
        default: return TcUnknown;
    }
}

}  // namespace

TemperatureChannel::TemperatureChannel() { dataSourceId = 1; }

TemperatureChannel::TemperatureChannel(TiXmlElement& element) : TemperatureChannel() { Initialize(element); }

int TemperatureChannel::Initialize(TiXmlElement& element) {
    double value = 0.0;
    if (element.QueryDoubleAttribute("value", &value) == TIXML_SUCCESS) sample.RestoreValue(value);
    const char* description = element.Attribute("description");
    // Description and units are written into single lines of the data file.
    sample.name = OneLineText(description != nullptr ? description : "");
    const char* units = element.Attribute("units");
    sample.units = OneLineText(units != nullptr ? units : "C");
    sample.tcType = TcTypeCode(element.Attribute("tc_type"));
    element.QueryIntAttribute("data_source", &dataSourceId);
    element.QueryIntAttribute("input_id", &localId);
    return 0;
}

TiXmlElement* TemperatureChannel::MakeNewXmlElement() const {
    auto* element = new TiXmlElement("Temperature");
    XmlHelper::SetRealAttribute(element, "value", sample.value);
    element->SetAttribute("description", sample.name);
    element->SetAttribute("type", "THERMOCOUPLE");
    element->SetAttribute("units", sample.units);
    element->SetAttribute("tc_type", TcTypeName(sample.tcType));
    element->SetAttribute("data_source", dataSourceId);
    element->SetAttribute("input_id", localId);
    return element;
}

}  // namespace VN_Sample
