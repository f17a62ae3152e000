// The data file's header lines hold operator text (descriptions, units):
// whatever it holds, each header keeps one field per column and one line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "storage/data_record.h"

namespace {

using VN_Sample::DataRecord;

std::vector<std::string> Fields(const std::string& line, const std::string& delim) {
    std::vector<std::string> fields;
    size_t begin = 0;
    for (size_t at = line.find(delim); at != std::string::npos; at = line.find(delim, begin)) {
        fields.push_back(line.substr(begin, at - begin));
        begin = at + delim.size();
    }
    fields.push_back(line.substr(begin));
    return fields;
}

// One module, one aux input and one temperature whose texts hold every
// delimiter tried below and line breaks.
DataRecord RecordWithAwkwardTexts() {
    DataRecord record;
    VN_Sample::ModuleChannel module;
    module.sample.name = "Row 3, south;\tend";
    record.UpdateModule(101, module, true);
    VN_Sample::AuxInputChannel aux;
    aux.sample.name = "Pyranometer\r\nplane | tilt";
    aux.sample.units = "W/m2,\nraw";
    record.UpdateAuxInput(105, aux, true);
    VN_Sample::TemperatureChannel temperature;
    temperature.sample.name = "Back,of;module";
    temperature.sample.units = "deg\nC";
    record.UpdateTemperature(109, temperature, true);
    return record;
}

TEST(DataFileHeaders, DelimitersAndLineBreaksInTextsNeitherAddFieldsNorLines) {
    const DataRecord record = RecordWithAwkwardTexts();
    for (const std::string delim : {",", ";", "\t", " | "}) {
        std::string description;
        std::string units;
        record.GetDescriptionHeader(description, delim);
        record.GetUnitsHeader(units, delim);
        for (const std::string& header : {description, units}) {
            EXPECT_EQ(std::string::npos, header.find_first_of("\r\n")) << header;
            EXPECT_EQ(7u, Fields(header, delim).size()) << "delimiter '" << delim << "': " << header;
        }
    }
}

TEST(DataFileHeaders, OnlyTheOffendingCharactersAreReplaced) {
    const DataRecord record = RecordWithAwkwardTexts();
    std::string description;
    record.GetDescriptionHeader(description, ",");
    EXPECT_EQ(
        "Date,Time,Row 3  south; end Volts,Row 3  south; end Amps,Row 3  south; end Power,"
        "Pyranometer  plane | tilt,Back of;module",
        description);
    std::string units;
    record.GetUnitsHeader(units, " | ");
    EXPECT_EQ("mm/dd/yyyy | hh:mm:ss | Volts | Amps | Watts | W/m2, raw | deg C", units);
    // A delimiter holding a blank: its occurrences are filled with something else.
    record.GetDescriptionHeader(description, " | ");
    EXPECT_NE(std::string::npos, description.find(" | Pyranometer  plane___tilt | ")) << description;
}

}  // namespace
