#ifndef VN_CONTROLLER_DATA_RECORD_H
#define VN_CONTROLLER_DATA_RECORD_H

#include <ctime>
#include <map>
#include <string>

#include "channels/aux_input_channel.h"
#include "channels/module_channel.h"
#include "channels/temperature_channel.h"

namespace VN_Sample {

// Which values a line or document shows; anything but AverageRecord reads as a sample.
enum RecordType {
    SampleRecord = 1,
    AverageRecord = 2,
};

// A snapshot of every channel, keyed by channel id, and the time it was taken.
// Lines and documents list all modules, then all aux inputs, then all
// temperatures, each in ascending id.
class DataRecord {
public:
    static constexpr int ErrNoTemperature = 50;
    static constexpr int ErrNoAuxInput = 51;
    static constexpr int ErrNoModule = 52;

    // Empties the channel maps; the time stamp stays. 0.
    int Clear();

    // Overwrites the stored copy of the channel; a channel not yet stored is
    // added when add is true, else 50, 51 or 52 is returned.
    int UpdateTemperature(int id, const TemperatureChannel& channel, bool add);
    int UpdateAuxInput(int id, const AuxInputChannel& channel, bool add);
    int UpdateModule(int id, const ModuleChannel& channel, bool add);

    // The stored channel's latest value; 50, 51 or 52 when it is not stored.
    int GetTemperatureValue(int id, double* value) const;
    int GetAuxInputValue(int id, double* value) const;
    int GetModuleValue(int id, double* amps, double* volts) const;

    // The data file's three header lines and its data line, without a line
    // end; delim goes whole between fields.
    void GetIdHeader(std::string& out, const std::string& delim) const;
    void GetDescriptionHeader(std::string& out, const std::string& delim) const;
    void GetUnitsHeader(std::string& out, const std::string& delim) const;
    void GetDataString(std::string& out, RecordType type, const std::string& delim) const;
    // The "Sample" (or "Average") document with its XML declaration.
    void GetXmlString(std::string& out, RecordType type) const;

    time_t record_time = 0;
    std::map<int, TemperatureChannel> temperatures;
    std::map<int, AuxInputChannel> aux_inputs;
    std::map<int, ModuleChannel> modules;
    std::string xml_declaration = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>";
};

}  // namespace VN_Sample

#endif
