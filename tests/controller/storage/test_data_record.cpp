#include <gtest/gtest.h>
#include <tinyxml.h>

#include <ctime>
#include <string>
#include <vector>

#include "storage/data_record.h"
#include "test_support.h"

namespace {

using VN_Sample::AuxInputChannel;
using VN_Sample::DataRecord;
using VN_Sample::ModuleChannel;
using VN_Sample::TemperatureChannel;

std::string Joined(const std::vector<std::string>& fields, const std::string& delim) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) line += (i == 0 ? "" : delim) + fields[i];
    return line;
}

ModuleChannel Module(const std::string& name, double volts, double amps) {
    ModuleChannel channel;
    channel.sample.name = name;
    channel.sample.voltage.value = volts;
    channel.sample.current.value = amps;
    return channel;
}

// Modules 1 (valid, with averages) and 2 (invalid), aux input 5 and
// temperature 9, added in the reverse of their listing order, stamped
// 4 July 2012 13:05:09 UTC.
class DataRecordTest : public ::testing::Test {
protected:
    DataRecordTest() : zone("UTC") {
        TemperatureChannel temperature;
        temperature.sample.name = "Back of module";
        temperature.sample.units = "C";
        temperature.sample.value = 45.5;
        temperature.sample.average = 44.0;
        record.UpdateTemperature(9, temperature, true);

        AuxInputChannel aux;
        aux.sample.name = "Pyranometer";
        aux.sample.units = "W/m2";
        aux.sample.value = 0.005;
        aux.sample.average = 0.004;
        aux.convertedReference = 1000.0;
        aux.voltageReference = 0.01;
        record.UpdateAuxInput(5, aux, true);

        ModuleChannel invalid = Module("South 2", 0.0, 0.0);
        invalid.sample.Invalidate();
        record.UpdateModule(2, invalid, true);

        ModuleChannel module = Module("South 1", 31.0, 8.25);
        module.sample.voltage.average = 30.5;
        module.sample.current.average = 8.0;
        module.sample.averagePower = 244.0;
        record.UpdateModule(1, module, true);

        struct tm t = {};
        t.tm_year = 112;
        t.tm_mon = 6;
        t.tm_mday = 4;
        t.tm_hour = 13;
        t.tm_min = 5;
        t.tm_sec = 9;
        record.record_time = timegm(&t);
    }

    VN_Test::ScopedTimeZone zone;
    DataRecord record;
};

using DataRecordLines = DataRecordTest;

TEST_F(DataRecordLines, HeadersAndDataLinesListModulesAuxInputsAndTemperaturesWithAnyDelimiter) {
    for (const std::string delim : {",", "\t|\t"}) {
        std::string line;
        record.GetIdHeader(line, delim);
        EXPECT_EQ(Joined({"Date", "Time", "1 Volts", "1 Amps", "1 Power", "2 Volts", "2 Amps", "2 Power", "5 Aux",
                          "9 Temp"},
                         delim),
                  line);
        record.GetDescriptionHeader(line, delim);
        EXPECT_EQ(Joined({"Date", "Time", "South 1 Volts", "South 1 Amps", "South 1 Power", "South 2 Volts",
                          "South 2 Amps", "South 2 Power", "Pyranometer", "Back of module"},
                         delim),
                  line);
        record.GetUnitsHeader(line, delim);
        EXPECT_EQ(Joined({"mm/dd/yyyy", "hh:mm:ss", "Volts", "Amps", "Watts", "Volts", "Amps", "Watts", "W/m2", "C"},
                         delim),
                  line);

        record.GetDataString(line, VN_Sample::SampleRecord, delim);
        EXPECT_EQ(Joined({"07/04/2012", "13:05:09", "3.100000e+01", "8.250000e+00", "2.557500e+02", "-9.999000e+03",
                          "-9.999000e+03", "-9.999000e+03", "5.000000e+02", "4.550000e+01"},
                         delim),
                  line);
        record.GetDataString(line, VN_Sample::AverageRecord, delim);
        EXPECT_EQ(Joined({"07/04/2012", "13:05:09", "3.050000e+01", "8.000000e+00", "2.440000e+02", "-9.999000e+03",
                          "-9.999000e+03", "-9.999000e+03", "4.000000e+02", "4.400000e+01"},
                         delim),
                  line);
    }
}

TEST_F(DataRecordLines, WithoutChannelsOnlyDateAndTimeRemain) {
    record.Clear();
    std::string line;
    record.GetIdHeader(line, "; ");
    EXPECT_EQ("Date; Time", line);
    record.GetDescriptionHeader(line, "; ");
    EXPECT_EQ("Date; Time", line);
    record.GetUnitsHeader(line, "; ");
    EXPECT_EQ("mm/dd/yyyy; hh:mm:ss", line);
    record.GetDataString(line, VN_Sample::AverageRecord, "; ");
    EXPECT_EQ("07/04/2012; 13:05:09", line);
}

using DataRecordUpdates = DataRecordTest;

TEST_F(DataRecordUpdates, MissingIdsAreReportedUnlessAddedAndStoredCopiesAreOverwritten) {
    const time_t stamp = record.record_time;
    record.Clear();
    EXPECT_EQ(stamp, record.record_time);

    double value = 1.0;
    double amps = 1.0;
    double volts = 1.0;
    EXPECT_EQ(DataRecord::ErrNoTemperature, record.UpdateTemperature(9, TemperatureChannel(), false));
    EXPECT_EQ(DataRecord::ErrNoAuxInput, record.UpdateAuxInput(5, AuxInputChannel(), false));
    EXPECT_EQ(DataRecord::ErrNoModule, record.UpdateModule(1, ModuleChannel(), false));
    EXPECT_TRUE(record.temperatures.empty() && record.aux_inputs.empty() && record.modules.empty());
    EXPECT_EQ(DataRecord::ErrNoTemperature, record.GetTemperatureValue(9, &value));
    EXPECT_EQ(DataRecord::ErrNoAuxInput, record.GetAuxInputValue(5, &value));
    EXPECT_EQ(DataRecord::ErrNoModule, record.GetModuleValue(1, &amps, &volts));
    EXPECT_EQ(1.0, value);

    ASSERT_EQ(0, record.UpdateModule(1, Module("a", 30.0, 8.0), true));
    ASSERT_EQ(0, record.UpdateModule(1, Module("a", 31.0, 7.5), false));
    ASSERT_EQ(0, record.GetModuleValue(1, &amps, &volts));
    EXPECT_EQ(7.5, amps);
    EXPECT_EQ(31.0, volts);

    AuxInputChannel aux;
    aux.sample.value = 2.0;
    aux.convertedReference = 10.0;
    aux.convertedOffset = 1.0;
    ASSERT_EQ(0, record.UpdateAuxInput(5, aux, true));
    ASSERT_EQ(0, record.GetAuxInputValue(5, &value));
    EXPECT_EQ(21.0, value);

    TemperatureChannel temperature;
    temperature.sample.value = 20.0;
    ASSERT_EQ(0, record.UpdateTemperature(9, temperature, true));
    temperature.sample.value = 21.0;
    ASSERT_EQ(0, record.UpdateTemperature(9, temperature, false));
    ASSERT_EQ(0, record.GetTemperatureValue(9, &value));
    EXPECT_EQ(21.0, value);
}

using DataRecordDocument = DataRecordTest;

TEST_F(DataRecordDocument, SampleDocumentLayoutShowsAnInvalidModuleAsMinus9999) {
    std::string text;
    record.GetXmlString(text, VN_Sample::SampleRecord);
    EXPECT_EQ(
        "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n"
        "<Sample>\n"
        "<Date>07/04/2012</Date>\n"
        "<Time>13:05:09</Time>\n"
        "<Modules>\n"
        "<Module id=\"1\" description=\"South 1\" volts=\"3.100000e+01\" amps=\"8.250000e+00\" "
        "power=\"2.557500e+02\"  />\n"
        "<Module id=\"2\" description=\"South 2\" volts=\"-9.999000e+03\" amps=\"-9.999000e+03\" "
        "power=\"-9.999000e+03\"  />\n"
        "</Modules>\n"
        "<Aux_Inputs>\n"
        "<Aux id=\"5\" description=\"Pyranometer\" value=\"5.000000e+02\"  />\n"
        "</Aux_Inputs>\n"
        "<Temperatures>\n"
        "<Temp id=\"9\" description=\"Back of module\"  value=\"4.550000e+01\"  />\n"
        "</Temperatures>\n"
        "</Sample>",
        text);

    record.GetXmlString(text, VN_Sample::AverageRecord);
    EXPECT_NE(std::string::npos, text.find("?>\n<Average>\n<Date>"));
    EXPECT_NE(std::string::npos, text.find("power=\"2.440000e+02\""));
    EXPECT_EQ("</Average>", text.substr(text.size() - 10));
}

TEST_F(DataRecordDocument, DescriptionsWithMarkupCharactersKeepTheDocumentWellFormed) {
    const std::string description = "Row \"A\" <1> & 'B'";
    record.modules[1].sample.name = description;
    record.aux_inputs[5].sample.name = description;
    record.temperatures[9].sample.name = description;
    std::string text;
    record.GetXmlString(text, VN_Sample::SampleRecord);

    TiXmlDocument document;
    document.Parse(text.c_str());
    ASSERT_FALSE(document.Error()) << document.ErrorDesc() << "\n" << text;
    TiXmlHandle root(document.FirstChildElement("Sample"));
    for (const char* path : {"Modules", "Aux_Inputs", "Temperatures"}) {
        const TiXmlElement* element = root.FirstChildElement(path).FirstChildElement().ToElement();
        ASSERT_NE(nullptr, element) << path;
        ASSERT_NE(nullptr, element->Attribute("description")) << path;
        EXPECT_EQ(description, element->Attribute("description")) << path;
    }
}

}  // namespace
