// The controller's wire requests, data lines, curve documents and channel
// configuration keep their decimal point when something has made the process's
// locale one with a decimal comma.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/data_source.h"
#include "channels/aux_input_channel.h"
#include "channels/iv_curve.h"
#include "comma_locale.h"
#include "fake_unit.h"
#include "socket_control.h"
#include "storage/data_record.h"
#include "test_support.h"

namespace VN_Test {
namespace {

using ControllerNumbersUnderCommaLocale = CommaLocaleTest;

TEST_F(ControllerNumbersUnderCommaLocale, UnitVersionIsReadAndLoadRequestWrittenWithAPoint) {
    FakeUnit unit;
    InProgramThread([&unit] {
        VN_Sample::DataSource source;
        auto* link = new VN_Lib::SocketControl();
        source.SetPort(link);
        ASSERT_EQ(0, link->OpenClientSocket(unit.Port()));
        source.SetOnlineState(true);

        VN_Lib::DataFrame description;
        description.AddInt(2);
        for (const char* text : {"5.11", "SN-7", "01/02/2025", "VN5"}) description.AddString(text);
        description.AddInt(0);  // aux inputs
        description.AddInt(0);  // temperatures
        description.AddInt(1);  // modules: 2
        description.AddInt(2);
        unit.Answer(11, 0, description);
        ASSERT_EQ(0, source.GetConfiguration());
        EXPECT_EQ(511, source.versionNumber);

        VN_Sample::LoadConfiguration_T configuration;
        configuration.mode = VN_Sample::TrackFixedVoltage;
        configuration.fixedVoltage = 25.5;
        unit.Answer(42, 0);
        EXPECT_EQ(0, source.SetLoad(2, configuration));
        EXPECT_EQ("42,2,2,25.500000,100,0.400000,0.100000", unit.Requests().back());
    });
}

TEST_F(ControllerNumbersUnderCommaLocale, DataLineHasPointDecimals) {
    ScopedTimeZone zone("UTC");
    InProgramThread([] {
        VN_Sample::DataRecord record;
        VN_Sample::ModuleChannel module;
        module.sample.voltage.value = 31.0;
        module.sample.current.value = 8.25;
        record.UpdateModule(1, module, true);
        VN_Sample::TemperatureChannel temperature;
        temperature.sample.value = 45.5;
        record.UpdateTemperature(9, temperature, true);
        record.record_time = 1341407109;  // 2012-07-04 13:05:09 UTC

        std::string line;
        record.GetDataString(line, VN_Sample::SampleRecord, ",");
        EXPECT_EQ("07/04/2012,13:05:09,3.100000e+01,8.250000e+00,2.557500e+02,4.550000e+01", line);
    });
}

TEST_F(ControllerNumbersUnderCommaLocale, CurveDocumentAndChannelConfigurationRoundTrip) {
    InProgramThread([] {
        VN_Sample::AuxInputChannel pyranometer;
        pyranometer.convertedReference = 5.11;
        pyranometer.voltageReference = 0.01;
        pyranometer.sample.value = 0.0095;

        std::unique_ptr<TiXmlElement> element(pyranometer.MakeNewXmlElement());
        EXPECT_STREQ("5.110000E+00", element->Attribute("converted_ref"));
        const VN_Sample::AuxInputChannel configured(*element);
        EXPECT_DOUBLE_EQ(5.11, configured.convertedReference);
        EXPECT_DOUBLE_EQ(0.01, configured.voltageReference);

        VN_Sample::IvCurve curve;
        std::vector<VN_Sample::IvPointType> points = {{8.25, 0.0, 0.0}, {7.125, 30.5, 0.0}, {0.0, 37.75, 0.0}};
        curve.SetPoints(points);
        curve.SetIsc(8.25);
        curve.SetVoc(37.75);
        curve.AuxInputs = {pyranometer};
        std::string xml;
        curve.GetXmlString(xml, true);
        EXPECT_NE(std::string::npos, xml.find("<Volts>30.500000</Volts>")) << xml;

        TiXmlDocument document;
        document.Parse(xml.c_str());
        ASSERT_NE(nullptr, document.RootElement());
        VN_Sample::IvCurve read;
        read.Initialize(*document.RootElement());
        EXPECT_DOUBLE_EQ(37.75, read.Voc);
        EXPECT_DOUBLE_EQ(30.5 * 7.125, read.PeakPower);
        ASSERT_EQ(3u, read.Points.size());
        EXPECT_DOUBLE_EQ(30.5, read.Points[1].volts);
        ASSERT_EQ(1u, read.AuxInputs.size());
        EXPECT_DOUBLE_EQ(5.11, read.AuxInputs[0].convertedReference);
    });
}

}  // namespace
}  // namespace VN_Test
