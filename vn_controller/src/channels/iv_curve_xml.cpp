// The "Curve" element of an I-V curve, written and read.

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "channels/iv_curve.h"
#include "common/local_time.h"
#include "common/xml_helper.h"

namespace VN_Sample {

namespace {

// Indexed lists hold at most this many entries, so a document cannot make them grow without bound.
constexpr int MaxListEntries = 49;
constexpr const char* NilGuid = "00000000-0000-0000-0000-000000000000";

std::string Number(const char* format, double value) {
    const int length = std::snprintf(nullptr, 0, format, value);
    std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    std::snprintf(text.data(), text.size() + 1, format, value);
    return text;
}

TiXmlElement* AddText(TiXmlElement* parent, const char* name, const std::string& text) {
    return XmlHelper::AddXmlElement(parent, name, text.c_str());
}

void AddFigure(TiXmlElement* curve, const char* name, const char* format, double value, const char* units) {
    AddText(curve, name, Number(format, value))->SetAttribute("units", units);
}

void AddDateTime(TiXmlElement* curve, time_t when) {
    struct tm local = {};
    localtime_r(&when, &local);
    const int year = local.tm_year + 1900;
    const int month = local.tm_mon + 1;
    char text[96];
    std::snprintf(text, sizeof text, "%04i-%02i-%02iT%02i:%02i:%02i", year, month, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec);
    TiXmlElement* element = XmlHelper::AddXmlElement(curve, "Date_Time", text);
    std::snprintf(text, sizeof text, "%02i/%02i/%04i", month, local.tm_mday, year);
    element->SetAttribute("date", text);
    std::snprintf(text, sizeof text, "%02i:%02i:%02i", local.tm_hour, local.tm_min, local.tm_sec);
    element->SetAttribute("time", text);
}

// "Irrad1"/"Irrad2": the first two irradiances in the summary form older readers expect.
void AddIrradianceSummaries(TiXmlElement* curve, const std::vector<Irradiance>& irradiances) {
    for (size_t i = 0; i < irradiances.size() && i < 2; ++i) {
        const Irradiance& irradiance = irradiances[i];
        auto* summary = new TiXmlElement("Irrad" + std::to_string(i + 1));
        AddText(summary, "Value", Number("%f", irradiance.GetValue()))->SetAttribute("units", irradiance.units);
        AddText(summary, "Vmeas", Number("%f", irradiance.measured_voltage))->SetAttribute("units", "Volts");
        AddText(summary, "Tmeas", Number("%f", irradiance.measured_temperature));
        XmlHelper::AddXmlElement(summary, "InputSource", "PYRANOMETER");
        curve->LinkEndChild(summary);
    }
}

// "Temp1"/"Temp2": the first two temperatures in the summary form.
void AddTemperatureSummaries(TiXmlElement* curve, const std::vector<TemperatureChannel>& temperatures) {
    for (size_t i = 0; i < temperatures.size() && i < 2; ++i) {
        const TemperatureSample& sample = temperatures[i].sample;
        auto* summary = new TiXmlElement("Temp" + std::to_string(i + 1));
        summary->SetAttribute("tc_type", TcTypeName(sample.tcType));
        AddText(summary, "Value", Number("%f", sample.value))->SetAttribute("units", sample.units);
        XmlHelper::AddXmlElement(summary, "InputSource", "THERMOCOUPLE");
        curve->LinkEndChild(summary);
    }
}

template <typename Entry>
void AddIndexedList(TiXmlElement* curve, const char* name, const std::vector<Entry>& entries) {
    auto* list = new TiXmlElement(name);
    for (size_t i = 0; i < entries.size(); ++i) {
        TiXmlElement* element = entries[i].MakeNewXmlElement();
        element->SetAttribute("index", static_cast<int>(i));
        list->LinkEndChild(element);
    }
    curve->LinkEndChild(list);
}

void AddPoints(TiXmlElement* curve, const std::vector<IvPointType>& points) {
    auto* list = new TiXmlElement("Points");
    for (const IvPointType& point : points) {
        auto* element = new TiXmlElement("Point");
        AddText(element, "Volts", Number("%f", point.volts));
        AddText(element, "Amps", Number("%f", point.amps));
        list->LinkEndChild(element);
    }
    curve->LinkEndChild(list);
}

// Text without a leading number reads as 0, like a missing element.
double RealText(const char* text) { return text != nullptr ? std::strtod(text, nullptr) : 0.0; }

double ReadFigure(TiXmlElement& curve, const char* name) {
    std::string text;
    XmlHelper::GetTextElement(&curve, name, text);
    return RealText(text.c_str());
}

// A range or resolution: the attribute on the Voc/Isc element when there is
// one, else the element this writer produces, so a stored curve reads back whole.
double ReadScale(TiXmlElement& curve, const char* figure, const char* attribute, const char* element) {
    double value = 0.0;
    TiXmlElement* holder = curve.FirstChildElement(figure);
    if (holder != nullptr && holder->QueryDoubleAttribute(attribute, &value) == TIXML_SUCCESS) return value;
    return ReadFigure(curve, element);
}

template <typename Entry>
void ReadIndexedList(TiXmlElement& curve, const char* name, const char* entry_name, std::vector<Entry>& entries) {
    TiXmlElement* list = curve.FirstChildElement(name);
    if (list == nullptr) return;
    for (TiXmlElement* element = list->FirstChildElement(entry_name); element != nullptr;
         element = element->NextSiblingElement(entry_name)) {
        int index = -1;
        if (element->QueryIntAttribute("index", &index) != TIXML_SUCCESS) continue;
        if (index < 0 || index >= MaxListEntries) continue;
        const size_t position = static_cast<size_t>(index);
        if (entries.size() <= position) entries.resize(position + 1);
        entries[position] = Entry(*element);
    }
}

// Local date and time "Y-M-DTh:m:s"; false, with `when` untouched, for text
// that is not a plausible calendar time.
bool ReadLocalTime(const std::string& text, time_t& when) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d", &year, &month, &day, &hour, &minute, &second) != 6) return false;
    if (year < 1900 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 60)
        return false;
    const time_t converted = LocalCalendarTime(year, month, day, hour, minute, second);
    if (converted == static_cast<time_t>(-1)) return false;
    when = converted;
    return true;
}

void ReadPoints(TiXmlElement& curve, std::vector<IvPointType>& points) {
    TiXmlElement* list = curve.FirstChildElement("Points");
    if (list == nullptr) return;
    for (TiXmlElement* element = list->FirstChildElement("Point"); element != nullptr;
         element = element->NextSiblingElement("Point")) {
        TiXmlElement* volts = element->FirstChildElement("Volts");
        TiXmlElement* amps = element->FirstChildElement("Amps");
        if (volts == nullptr || amps == nullptr) continue;
        IvPointType point;
        point.volts = RealText(volts->GetText());
        point.amps = RealText(amps->GetText());
        point.power = point.amps * point.volts;
        points.push_back(point);
    }
}

}  // namespace

TiXmlElement* IvCurve::MakeNewXmlElement(bool with_points) const {
    auto* curve = new TiXmlElement("Curve");
    AddText(curve, "Name", Name);
    AddText(curve, "GUID", GuidString(GUID));
    XmlHelper::AddXmlElement(curve, "Category", "Unfiled");
    AddText(curve, "Site", Site);
    AddText(curve, "Sub_System", Sub_System);
    AddText(curve, "ModuleID", ModuleID);
    AddText(curve, "Misc", Misc);
    AddText(curve, "Notes", Notes);
    XmlHelper::AddXmlElement(curve, "NormData", "");

    AddFigure(curve, "PeakPower", "%f", PeakPower, "Watts");
    AddFigure(curve, "Vpeak", "%f", Vpeak, "Volts");
    AddFigure(curve, "Ipeak", "%f", Ipeak, "Amps");
    AddFigure(curve, "Voc", "%f", Voc, "Volts");
    AddFigure(curve, "Voltage_Range", "%f", Voltage_Range, "Volts");
    AddFigure(curve, "Voltage_Resolution", "%g", Voltage_Resolution, "Volts/Bit");
    AddFigure(curve, "Isc", "%f", Isc, "Amps");
    AddFigure(curve, "Current_Range", "%f", Current_Range, "Amps");
    AddFigure(curve, "Current_Resolution", "%g", Current_Resolution, "Amps/Bit");
    AddFigure(curve, "FillFactor", "%f", FillFactor, "%");

    AddDateTime(curve, Date_Time);
    XmlHelper::AddXmlElement(curve, "AmpRange", "High");
    XmlHelper::AddXmlElement(curve, "NormSourceGUID", NilGuid);
    XmlHelper::AddXmlElement(curve, "Normalized", "false");

    AddIrradianceSummaries(curve, Irradiances);
    AddTemperatureSummaries(curve, Temperatures);
    AddIndexedList(curve, "Irradiances", Irradiances);
    AddIndexedList(curve, "Temperatures", Temperatures);
    AddIndexedList(curve, "AuxInputs", AuxInputs);
    AddIndexedList(curve, "AfterIrradiances", AfterIrradiances);
    AddIndexedList(curve, "AfterTemperatures", AfterTemperatures);
    AddIndexedList(curve, "AfterAuxInputs", AfterAuxInputs);
    if (with_points) AddPoints(curve, Points);
    return curve;
}

void IvCurve::GetXmlString(std::string& out, bool with_points) const {
    std::unique_ptr<TiXmlElement> curve(MakeNewXmlElement(with_points));
    out = XmlHelper::GetAsString(curve.get());
}

TiXmlElement* IvCurve::MakeNewCurvesXml(const std::vector<IvCurve>& curves, bool with_points) {
    auto* root = new TiXmlElement("IV_Curves");
    XmlHelper::AddXmlElement(root, "Version", "1.00");
    for (const IvCurve& curve : curves) root->LinkEndChild(curve.MakeNewXmlElement(with_points));
    return root;
}

int IvCurve::Initialize(TiXmlElement& curve) {
    Initialize();
    XmlHelper::GetTextElement(&curve, "Name", Name);
    XmlHelper::GetTextElement(&curve, "Site", Site);
    XmlHelper::GetTextElement(&curve, "Sub_System", Sub_System);
    XmlHelper::GetTextElement(&curve, "ModuleID", ModuleID);
    XmlHelper::GetTextElement(&curve, "Misc", Misc);
    XmlHelper::GetTextElement(&curve, "Notes", Notes);

    std::string text;
    // An unreadable GUID keeps the fresh one Initialize() drew.
    uuid_t stored;
    if (XmlHelper::GetTextElement(&curve, "GUID", text) != nullptr && uuid_parse(text.c_str(), stored) == 0)
        uuid_copy(GUID, stored);

    // Peak and fill factor are taken as stored, not recomputed from the points.
    PeakPower = ReadFigure(curve, "PeakPower");
    Vpeak = ReadFigure(curve, "Vpeak");
    Ipeak = ReadFigure(curve, "Ipeak");
    Voc = ReadFigure(curve, "Voc");
    Isc = ReadFigure(curve, "Isc");
    FillFactor = ReadFigure(curve, "FillFactor");
    Voltage_Resolution = ReadScale(curve, "Voc", "resolution", "Voltage_Resolution");
    Voltage_Range = ReadScale(curve, "Voc", "range", "Voltage_Range");
    Current_Resolution = ReadScale(curve, "Isc", "resolution", "Current_Resolution");
    Current_Range = ReadScale(curve, "Isc", "range", "Current_Range");

    ReadIndexedList(curve, "Irradiances", "Irrad", Irradiances);
    ReadIndexedList(curve, "AfterIrradiances", "Irrad", AfterIrradiances);
    ReadIndexedList(curve, "Temperatures", "Temperature", Temperatures);
    ReadIndexedList(curve, "AfterTemperatures", "Temperature", AfterTemperatures);
    ReadIndexedList(curve, "AuxInputs", "AuxInput", AuxInputs);
    ReadIndexedList(curve, "AfterAuxInputs", "AuxInput", AfterAuxInputs);

    // An empty or unreadable time keeps "now".
    XmlHelper::GetTextElement(&curve, "Date_Time", text);
    ReadLocalTime(text, Date_Time);
    ReadPoints(curve, Points);
    return 0;
}

}  // namespace VN_Sample
