#include "storage/data_record.h"

#include <cstdio>

#include "common/line_text.h"

namespace VN_Sample {

namespace {

std::string Number(double value) {
    char text[48];
    std::snprintf(text, sizeof text, "%e", value);
    return text;
}

std::string LocalTimeText(time_t t, const char* format) {
    struct tm local = {};
    localtime_r(&t, &local);
    char text[32] = "";
    std::strftime(text, sizeof text, format, &local);
    return text;
}

// Descriptions are operator text: escaped, so no description can break the document.
std::string Escaped(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '&': escaped += "&amp;"; break;
            case '<': escaped += "&lt;"; break;
            case '>': escaped += "&gt;"; break;
            case '"': escaped += "&quot;"; break;
            case '\'': escaped += "&apos;"; break;
            default: escaped += c;
        }
    }
    return escaped;
}

std::string Attribute(const char* name, const std::string& value) { return std::string(" ") + name + "=\"" + value + "\""; }

const char* const LineEnd = "  />\n";

// Stands in for what may not appear inside a header field: a blank, or the
// first of the others the delimiter does not hold (settings keep a delimiter
// to four characters, so one is always free).
char FillerFor(const std::string& delim) {
    const std::string fillers = " _-.:";
    const size_t free = fillers.find_first_not_of(delim);
    return fillers[free == std::string::npos ? 0 : free];
}

// A description or unit as one header field: a line break would split the
// header line and the delimiter would add fields, putting every later column
// under the wrong heading. Done here, as the delimiter may change after the
// text was set.
std::string HeaderField(const std::string& text, const std::string& delim) {
    std::string field = OneLineText(text);
    if (delim.empty()) return field;
    const char filler = FillerFor(delim);
    for (size_t at = field.find(delim); at != std::string::npos; at = field.find(delim, at + delim.size()))
        field.replace(at, delim.size(), delim.size(), filler);
    return field;
}

double ModuleVolts(const ModuleChannel& channel, RecordType type) {
    return type == AverageRecord ? channel.sample.voltage.average : channel.sample.voltage.value;
}

double ModuleAmps(const ModuleChannel& channel, RecordType type) {
    return type == AverageRecord ? channel.sample.current.average : channel.sample.current.value;
}

double ModulePower(const ModuleChannel& channel, RecordType type) {
    return type == AverageRecord ? channel.sample.averagePower : channel.sample.GetPowerValue();
}

double AuxValue(const AuxInputChannel& channel, RecordType type) {
    return type == AverageRecord ? channel.GetConvertedAverage() : channel.GetConvertedValue();
}

double TemperatureValue(const TemperatureChannel& channel, RecordType type) {
    return type == AverageRecord ? channel.sample.average : channel.sample.value;
}

template <typename ChannelType>
int Update(std::map<int, ChannelType>& channels, int id, const ChannelType& channel, bool add, int missing) {
    auto found = channels.find(id);
    if (found != channels.end()) {
        found->second = channel;
    } else if (add) {
        channels.emplace(id, channel);
    } else {
        return missing;
    }
    return 0;
}

}  // namespace

int DataRecord::Clear() {
    temperatures.clear();
    aux_inputs.clear();
    modules.clear();
    return 0;
}

int DataRecord::UpdateTemperature(int id, const TemperatureChannel& channel, bool add) {
    return Update(temperatures, id, channel, add, ErrNoTemperature);
}

int DataRecord::UpdateAuxInput(int id, const AuxInputChannel& channel, bool add) {
    return Update(aux_inputs, id, channel, add, ErrNoAuxInput);
}

int DataRecord::UpdateModule(int id, const ModuleChannel& channel, bool add) {
    return Update(modules, id, channel, add, ErrNoModule);
}

int DataRecord::GetTemperatureValue(int id, double* value) const {
    auto found = temperatures.find(id);
    if (found == temperatures.end()) return ErrNoTemperature;
    *value = found->second.sample.value;
    return 0;
}

int DataRecord::GetAuxInputValue(int id, double* value) const {
    auto found = aux_inputs.find(id);
    if (found == aux_inputs.end()) return ErrNoAuxInput;
    *value = found->second.GetConvertedValue();
    return 0;
}

int DataRecord::GetModuleValue(int id, double* amps, double* volts) const {
    auto found = modules.find(id);
    if (found == modules.end()) return ErrNoModule;
    *amps = found->second.sample.current.value;
    *volts = found->second.sample.voltage.value;
    return 0;
}

void DataRecord::GetIdHeader(std::string& out, const std::string& delim) const {
    out = "Date" + delim + "Time";
    for (const auto& module : modules) {
        const std::string id = delim + std::to_string(module.first);
        out += id + " Volts" + id + " Amps" + id + " Power";
    }
    for (const auto& aux : aux_inputs) out += delim + std::to_string(aux.first) + " Aux";
    for (const auto& temperature : temperatures) out += delim + std::to_string(temperature.first) + " Temp";
}

void DataRecord::GetDescriptionHeader(std::string& out, const std::string& delim) const {
    out = "Date" + delim + "Time";
    for (const auto& module : modules) {
        const std::string name = HeaderField(module.second.sample.name, delim);
        out += delim + name + " Volts" + delim + name + " Amps" + delim + name + " Power";
    }
    for (const auto& aux : aux_inputs) out += delim + HeaderField(aux.second.sample.name, delim);
    for (const auto& temperature : temperatures) out += delim + HeaderField(temperature.second.sample.name, delim);
}

void DataRecord::GetUnitsHeader(std::string& out, const std::string& delim) const {
    out = "mm/dd/yyyy" + delim + "hh:mm:ss";
    for (size_t i = 0; i < modules.size(); ++i) out += delim + "Volts" + delim + "Amps" + delim + "Watts";
    for (const auto& aux : aux_inputs) out += delim + HeaderField(aux.second.sample.units, delim);
    for (const auto& temperature : temperatures) out += delim + HeaderField(temperature.second.sample.units, delim);
}

void DataRecord::GetDataString(std::string& out, RecordType type, const std::string& delim) const {
    out = LocalTimeText(record_time, "%m/%d/%Y") + delim + LocalTimeText(record_time, "%H:%M:%S");
    for (const auto& module : modules) {
        const ModuleChannel& channel = module.second;
        out += delim + Number(ModuleVolts(channel, type)) + delim + Number(ModuleAmps(channel, type)) + delim +
               Number(ModulePower(channel, type));
    }
    for (const auto& aux : aux_inputs) out += delim + Number(AuxValue(aux.second, type));
    for (const auto& temperature : temperatures) out += delim + Number(TemperatureValue(temperature.second, type));
}

void DataRecord::GetXmlString(std::string& out, RecordType type) const {
    const std::string root = type == AverageRecord ? "Average" : "Sample";
    out = xml_declaration + "\n<" + root + ">\n";
    out += "<Date>" + LocalTimeText(record_time, "%m/%d/%Y") + "</Date>\n";
    out += "<Time>" + LocalTimeText(record_time, "%H:%M:%S") + "</Time>\n";
    out += "<Modules>\n";
    for (const auto& module : modules) {
        const ModuleChannel& channel = module.second;
        out += "<Module" + Attribute("id", std::to_string(module.first)) +
               Attribute("description", Escaped(channel.sample.name)) +
               Attribute("volts", Number(ModuleVolts(channel, type))) +
               Attribute("amps", Number(ModuleAmps(channel, type))) +
               Attribute("power", Number(ModulePower(channel, type))) + LineEnd;
    }
    out += "</Modules>\n<Aux_Inputs>\n";
    for (const auto& aux : aux_inputs) {
        out += "<Aux" + Attribute("id", std::to_string(aux.first)) +
               Attribute("description", Escaped(aux.second.sample.name)) +
               Attribute("value", Number(AuxValue(aux.second, type))) + LineEnd;
    }
    out += "</Aux_Inputs>\n<Temperatures>\n";
    for (const auto& temperature : temperatures) {
        // Two spaces before "value" in this line: readers of the document may match it.
        out += "<Temp" + Attribute("id", std::to_string(temperature.first)) +
               Attribute("description", Escaped(temperature.second.sample.name)) + " " +
               Attribute("value", Number(TemperatureValue(temperature.second, type))) + LineEnd;
    }
    out += "</Temperatures>\n</" + root + ">";
}

}  // namespace VN_Sample
