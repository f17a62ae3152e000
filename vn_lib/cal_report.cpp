#include "cal_report.h"

#include <memory>

#include "cal_type.h"
#include "clock.h"

namespace VN_Lib {

namespace {

TiXmlElement* NewMapElement(const char* name, const CalRecordMap_T& records) {
    auto element = std::make_unique<TiXmlElement>(name);
    for (const auto& entry : records) {
        for (const CalReportRecord& record : entry.second) element->LinkEndChild(record.MakeNewXmlElement());
    }
    return element.release();
}

void AppendMapText(std::string& text, const char* heading, const CalRecordMap_T& records) {
    text += heading;
    text += "\n";
    for (const auto& entry : records) {
        for (const CalReportRecord& record : entry.second) text += record.GetTextString() + "\n";
    }
}

}  // namespace

CalReport::CalReport() : time(Now()) {}

int CalReport::AddRecord(const CalReportRecord& record) {
    CalRecordMap_T* records = &misc;
    switch (record.type) {
        case CAL_MODULE_VOLTAGE: records = &module_voltages; break;
        case CAL_MODULE_CURRENT: records = &module_currents; break;
        case CAL_TEMPERATURE: records = &temperatures; break;
        case CAL_AUX_INPUT: records = &aux_inputs; break;
        default: break;
    }
    std::vector<CalReportRecord>& history = (*records)[record.local_id];
    if (records != &misc && record.adjust) history.clear();
    history.push_back(record);
    return 0;
}

int CalReport::Clear() {
    module_voltages.clear();
    module_currents.clear();
    aux_inputs.clear();
    temperatures.clear();
    misc.clear();
    time = Now();
    return 0;
}

std::string CalReport::DataSourceName() const {
    if (data_source_id == 0) return "Controller 0";
    return "Load " + std::to_string(data_source_id);
}

TiXmlElement* CalReport::MakeNewXmlElement() const {
    auto element = std::make_unique<TiXmlElement>("CalReport");
    element->SetAttribute("version", version);
    element->SetAttribute("serial_number", CalReportRecord::XmlSafeText(serial_number));
    element->SetAttribute("data_source_id", data_source_id);
    element->SetAttribute("data_source_name", DataSourceName());
    element->SetAttribute("date", CalReportRecord::DateText(time));
    element->SetAttribute("time", CalReportRecord::TimeText(time));
    element->LinkEndChild(NewMapElement("Module_Voltages", module_voltages));
    element->LinkEndChild(NewMapElement("Module_Currents", module_currents));
    element->LinkEndChild(NewMapElement("AuxInputs", aux_inputs));
    element->LinkEndChild(NewMapElement("Temperatures", temperatures));
    element->LinkEndChild(NewMapElement("Misc", misc));
    return element.release();
}

std::string CalReport::GetTextString() const {
    std::string text = "Data Source\t" + DataSourceName() + "\n";
    text += "Serial Number\t" + serial_number + "\n";
    text += "Date\t" + CalReportRecord::DateText(time) + "\n";
    text += "Time\t" + CalReportRecord::TimeText(time) + "\n";
    AppendMapText(text, "\nModule Voltages:", module_voltages);
    AppendMapText(text, "\nModule Currents:", module_currents);
    AppendMapText(text, "\nAux Inputs:", aux_inputs);
    AppendMapText(text, "\nTemperatures:", temperatures);
    AppendMapText(text, "\nMisc", misc);
    return text;
}

}  // namespace VN_Lib
