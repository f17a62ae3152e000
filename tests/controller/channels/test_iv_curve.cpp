#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "channels/irradiance.h"
#include "channels/iv_curve.h"
#include "clock.h"
#include "common/xml_helper.h"

using namespace VN_Sample;

namespace {

// Central European time with its summer rule, spelled out so no zone files are needed.
class CentralEuropeanTime {
public:
    CentralEuropeanTime() {
        const char* previous = std::getenv("TZ");
        if (previous != nullptr) saved = std::make_unique<std::string>(previous);
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
    }
    ~CentralEuropeanTime() {
        if (saved) setenv("TZ", saved->c_str(), 1); else unsetenv("TZ");
        tzset();
    }

private:
    std::unique_ptr<std::string> saved;
};

constexpr time_t July4th130509 = 1341399909;  // 2012-07-04 13:05:09 CEST
constexpr time_t FixedNow = 1500000000;

void FixedClock(struct timeval* tv) { *tv = {FixedNow, 0}; }

IvCurve ReadCurve(const std::string& xml) {
    TiXmlDocument document;
    document.Parse(xml.c_str());
    IvCurve curve;
    if (document.RootElement() != nullptr) curve.Initialize(*document.RootElement());
    return curve;
}

std::vector<std::string> ChildNames(TiXmlElement& element) {
    std::vector<std::string> names;
    for (TiXmlElement* child = element.FirstChildElement(); child != nullptr; child = child->NextSiblingElement())
        names.push_back(child->Value());
    return names;
}

IvPointType Point(double volts, double amps) { return IvPointType{amps, volts, 0.0}; }

}  // namespace

TEST(IvCurveFigures, FillFactorAndPeak) {
    IvCurve curve;
    curve.PeakPower = 222.0;
    curve.SetIsc(8.0);
    curve.SetVoc(37.0);
    EXPECT_DOUBLE_EQ(75.0, curve.FillFactor);
    curve.SetIsc(0.0);
    EXPECT_EQ(0.0, curve.FillFactor);

    IvPointType point = Point(30.0, 7.0);
    curve.AddPoint(point);
    EXPECT_DOUBLE_EQ(210.0, point.power);  // the caller's copy too

    // A curve without positive power, set over one that had a peak, has none.
    std::vector<IvPointType> dark = {Point(0.0, 0.0), Point(-1.0, 0.5), Point(2.0, -0.1)};
    curve.SetPoints(dark);
    EXPECT_EQ(3u, curve.Points.size());
    EXPECT_EQ(0.0, curve.PeakPower);
    EXPECT_EQ(0.0, curve.Vpeak);
    EXPECT_EQ(0.0, curve.Ipeak);
}

TEST(IvCurveGuid, TextForms) {
    uuid_t nil;
    uuid_clear(nil);
    EXPECT_EQ("00000000-0000-0000-0000-000000000000", IvCurve::GuidString(nil));
    IvCurve parsed = ReadCurve("<Curve><GUID>0123ABCD-0123-4567-89AB-CDEF01234567</GUID></Curve>");
    EXPECT_EQ("0123abcd-0123-4567-89ab-cdef01234567", IvCurve::GuidString(parsed.GUID));
    // A damaged GUID gives the curve a fresh one, not a nil one.
    EXPECT_FALSE(uuid_is_null(ReadCurve("<Curve><GUID>0123abcd-0123</GUID></Curve>").GUID));
}

TEST(IvCurveXml, WritesChildrenInDocumentOrder) {
    CentralEuropeanTime zone;
    IvCurve curve;
    curve.Date_Time = July4th130509;
    curve.Irradiances.resize(2);
    curve.Temperatures.resize(1);
    curve.Temperatures[0].sample.tcType = TcTypeK;
    std::vector<IvPointType> points = {Point(30.0, 7.0)};
    curve.SetPoints(points);

    std::unique_ptr<TiXmlElement> element(curve.MakeNewXmlElement(true));
    const std::vector<std::string> expected = {
        "Name", "GUID", "Category", "Site", "Sub_System", "ModuleID", "Misc", "Notes", "NormData",
        "PeakPower", "Vpeak", "Ipeak", "Voc", "Voltage_Range", "Voltage_Resolution", "Isc", "Current_Range",
        "Current_Resolution", "FillFactor", "Date_Time", "AmpRange", "NormSourceGUID", "Normalized",
        "Irrad1", "Irrad2", "Temp1", "Irradiances", "Temperatures", "AuxInputs",
        "AfterIrradiances", "AfterTemperatures", "AfterAuxInputs", "Points"};
    EXPECT_EQ(expected, ChildNames(*element));
    TiXmlElement* date = element->FirstChildElement("Date_Time");
    EXPECT_STREQ("2012-07-04T13:05:09", date->GetText());
    EXPECT_STREQ("07/04/2012", date->Attribute("date"));
    EXPECT_STREQ("K", element->FirstChildElement("Temp1")->Attribute("tc_type"));
    EXPECT_STREQ("1", element->FirstChildElement("Irradiances")->LastChild()->ToElement()->Attribute("index"));
    EXPECT_EQ((std::vector<std::string>{"Volts", "Amps"}),
              ChildNames(*element->FirstChildElement("Points")->FirstChildElement()));

    std::unique_ptr<TiXmlElement> curves(IvCurve::MakeNewCurvesXml({IvCurve(), IvCurve()}, false));
    EXPECT_EQ((std::vector<std::string>{"Version", "Curve", "Curve"}), ChildNames(*curves));
    EXPECT_EQ(nullptr, curves->FirstChildElement("Curve")->FirstChildElement("Points"));
}

TEST(IvCurveXml, RoundTripKeepsTheCurve) {
    CentralEuropeanTime zone;
    IvCurve curve;
    curve.Name = "Module <A> & \"B\"";
    curve.Notes = "cloudy";
    curve.Date_Time = July4th130509;
    std::vector<IvPointType> points = {Point(0.0, 8.25), Point(30.5, 7.125), Point(37.75, 0.0)};
    curve.SetIsc(8.25);
    curve.SetVoc(37.75);
    curve.SetPoints(points);
    curve.SetVoltageResolution(0.0015);
    curve.SetCurrentRange(10.0);
    AuxInputChannel pyranometer;
    pyranometer.sample.name = "POA";
    pyranometer.sample.value = 0.0095;
    pyranometer.convertedReference = 1000.0;
    pyranometer.voltageReference = 0.01;
    curve.AfterIrradiances = {Irradiance(pyranometer)};
    curve.AuxInputs = {pyranometer};
    curve.Temperatures.resize(2);
    curve.Temperatures[1].sample.value = 41.5;

    std::string xml;
    curve.GetXmlString(xml, true);
    const IvCurve read = ReadCurve(xml);
    EXPECT_EQ(curve.Name, read.Name);
    EXPECT_EQ("cloudy", read.Notes);
    EXPECT_EQ(IvCurve::GuidString(curve.GUID), IvCurve::GuidString(read.GUID));
    EXPECT_EQ(July4th130509, read.Date_Time);
    EXPECT_DOUBLE_EQ(curve.PeakPower, read.PeakPower);
    EXPECT_DOUBLE_EQ(30.5, read.Vpeak);
    EXPECT_NEAR(curve.FillFactor, read.FillFactor, 1e-6);
    // Ranges and resolutions survive too.
    EXPECT_DOUBLE_EQ(0.0015, read.Voltage_Resolution);
    EXPECT_DOUBLE_EQ(10.0, read.Current_Range);
    ASSERT_EQ(3u, read.Points.size());
    EXPECT_DOUBLE_EQ(30.5 * 7.125, read.Points[1].power);
    ASSERT_EQ(1u, read.AfterIrradiances.size());
    EXPECT_DOUBLE_EQ(950.0, read.AfterIrradiances[0].GetValue());
    EXPECT_EQ("POA", read.AfterIrradiances[0].description);
    ASSERT_EQ(1u, read.AuxInputs.size());
    EXPECT_DOUBLE_EQ(1000.0, read.AuxInputs[0].convertedReference);
    ASSERT_EQ(2u, read.Temperatures.size());
    EXPECT_DOUBLE_EQ(41.5, read.Temperatures[1].sample.value);
    EXPECT_TRUE(read.Irradiances.empty());

    // Attributes on Voc and Isc take precedence over the separate elements.
    const IvCurve scaled = ReadCurve("<Curve><Voc resolution=\"0.002\">38</Voc><Voltage_Resolution>0.1"
                                     "</Voltage_Resolution><Isc range=\"12\">9</Isc></Curve>");
    EXPECT_DOUBLE_EQ(0.002, scaled.Voltage_Resolution);
    EXPECT_DOUBLE_EQ(12.0, scaled.Current_Range);
    EXPECT_DOUBLE_EQ(38.0, scaled.Voc);
}

TEST(IvCurveXml, IndexedListsPlaceEntriesAtTheirIndex) {
    const IvCurve read = ReadCurve(
        "<Curve><Irradiances><Irrad index=\"49\"/><Irrad index=\"2\" converted_value=\"812.5\"/>"
        "<Irrad index=\"-1\"/><Irrad converted_value=\"3\"/></Irradiances>"
        "<AfterTemperatures><Temperature index=\"1\" value=\"30\"/><Temperature index=\"0\" value=\"20\"/>"
        "</AfterTemperatures></Curve>");
    ASSERT_EQ(3u, read.Irradiances.size());
    EXPECT_EQ(InvalidValue, read.Irradiances[0].GetValue());
    EXPECT_EQ(InvalidValue, read.Irradiances[1].GetValue());
    EXPECT_DOUBLE_EQ(812.5, read.Irradiances[2].GetValue());
    ASSERT_EQ(2u, read.AfterTemperatures.size());
    EXPECT_DOUBLE_EQ(20.0, read.AfterTemperatures[0].sample.value);
}

TEST(IvCurveXml, PointsAreReadByName) {
    const IvCurve read = ReadCurve(
        "<Curve><PeakPower>99</PeakPower><Points><Point><Amps>7.5</Amps><Volts>30</Volts></Point>"
        "<Point><Volts>31</Volts></Point></Points></Curve>");
    ASSERT_EQ(1u, read.Points.size());
    EXPECT_DOUBLE_EQ(30.0, read.Points[0].volts);
    EXPECT_DOUBLE_EQ(225.0, read.Points[0].power);
    EXPECT_DOUBLE_EQ(99.0, read.PeakPower);  // stored peak, not recomputed
}

TEST(IvCurveXml, MissingOrUnreadableDateTimeKeepsNow) {
    VN_Lib::SetClockFunction(FixedClock);
    CentralEuropeanTime zone;
    for (const char* date : {"", "<Date_Time/>", "<Date_Time>2012-07-04</Date_Time>",
                             "<Date_Time>2012-13-04T13:05:09</Date_Time>"})
        EXPECT_EQ(FixedNow, ReadCurve(std::string("<Curve>") + date + "</Curve>").Date_Time) << date;
    // Winter time reads back in standard time.
    EXPECT_EQ(1325419509, ReadCurve("<Curve><Date_Time>2012-01-01T13:05:09</Date_Time></Curve>").Date_Time);
    VN_Lib::SetClockFunction(nullptr);
}

TEST(Irradiance, ElementForm) {
    Irradiance irradiance;
    irradiance.description = "POA";
    irradiance.converted_value = 1000.0;
    irradiance.input_id = 3;
    std::unique_ptr<TiXmlElement> element(irradiance.MakeNewXmlElement());
    EXPECT_EQ("<Irrad converted_value=\"1.000000E+03\" description=\"POA\" units=\"w/m^2\" "
              "measured_voltage=\"-9.999000E+03\" measured_temperature=\"-9.999000E+03\" "
              "input_source=\"PYRANOMETER\" data_source=\"-1\" input_id=\"3\" />\n",
              XmlHelper::GetAsString(element.get()));

    // The source kind is not taken from documents; unusable numbers keep the defaults.
    element->SetAttribute("input_source", "REFERENCE_CELL");
    element->SetAttribute("measured_voltage", "abc");
    const Irradiance read(*element);
    EXPECT_EQ("PYRANOMETER", read.input_source);
    EXPECT_EQ(InvalidValue, read.measured_voltage);
    EXPECT_EQ(3, read.input_id);
    EXPECT_DOUBLE_EQ(1000.0, read.GetValue());
}
