#include <gtest/gtest.h>
#include <tinyxml.h>

#include <ctime>
#include <functional>
#include <limits>
#include <memory>
#include <string>

#include "channels/aux_input_channel.h"
#include "channels/module_channel.h"
#include "channels/temperature_channel.h"
#include "test_support.h"
#include "vn_lib/clock.h"
#include "vn_lib/utilities.h"

namespace VN_Test {
namespace {

using VN_Sample::InvalidValue;

std::unique_ptr<TiXmlElement> ParseElement(const std::string& xml) {
    TiXmlDocument document;
    document.Parse(xml.c_str());
    return std::unique_ptr<TiXmlElement>(document.RootElement()->Clone()->ToElement());
}

std::string Printed(const TiXmlElement* element) {
    std::unique_ptr<const TiXmlElement> owned(element);
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    owned->Accept(&printer);
    return printer.Str();
}

TEST(DataSampleTest, InvalidValueSpoilsOnlyItsOwnPeriod) {
    VN_Sample::DataSample sample;
    for (double v : {1.0, 2.0, 3.0, 4.0, 5.0}) sample.SetValue(v);
    sample.Invalidate();
    sample.SetValue(6.0);  // a later valid value does not rescue the period
    EXPECT_EQ(VN_Sample::DataSample::ErrPeriodSpoiled, sample.AverageNow());
    EXPECT_FALSE(sample.averageValid);
    EXPECT_EQ(InvalidValue, sample.average);

    sample.SetValue(10.0);
    sample.SetValue(20.0);
    EXPECT_EQ(0, sample.AverageNow());
    EXPECT_TRUE(sample.averageValid);
    EXPECT_DOUBLE_EQ(15.0, sample.average);

    EXPECT_EQ(VN_Sample::DataSample::ErrNoValues, sample.AverageNow());
    EXPECT_EQ(InvalidValue, sample.average);
}

TEST(ModuleSampleTest, PowerNeedsBothSidesValid) {
    VN_Sample::ModuleSample sample;
    sample.voltage.SetValue(30.0);
    sample.current.SetValue(8.0);
    sample.voltage.SetValue(32.0);
    sample.current.SetValue(8.5);
    EXPECT_DOUBLE_EQ(32.0 * 8.5, sample.GetPowerValue());
    sample.AverageNow();
    EXPECT_DOUBLE_EQ(31.0 * 8.25, sample.averagePower);

    sample.voltage.SetValue(31.0);
    sample.current.Invalidate();
    EXPECT_EQ(InvalidValue, sample.GetPowerValue());
    sample.AverageNow();
    EXPECT_DOUBLE_EQ(31.0, sample.voltage.average);  // closed even though current failed
    EXPECT_FALSE(sample.IsAverageValid());
    EXPECT_EQ(InvalidValue, sample.averagePower);
}

TEST(AuxInputChannelTest, ConversionAndItsInvalidCases) {
    VN_Sample::AuxInputChannel channel;
    channel.convertedReference = 1000.0;
    channel.voltageReference = 0.008;
    channel.convertedOffset = 2.0;
    channel.sample.SetValue(0.004);
    channel.sample.SetValue(0.006);
    channel.sample.AverageNow();
    EXPECT_DOUBLE_EQ(752.0, channel.GetConvertedValue());
    EXPECT_DOUBLE_EQ(627.0, channel.GetConvertedAverage());

    channel.voltageReference = 0.0;
    EXPECT_EQ(InvalidValue, channel.GetConvertedValue());
    EXPECT_EQ(InvalidValue, channel.GetConvertedAverage());

    channel.voltageReference = 0.008;
    channel.sample.Invalidate();
    EXPECT_EQ(InvalidValue, channel.GetConvertedValue());
}

TEST(ChannelXmlTest, ElementsWrittenInOrderAndReadBack) {
    VN_Sample::TemperatureChannel temperature;
    temperature.sample.SetValue(25.5);
    temperature.sample.name = "Back of module 3";
    temperature.sample.units = "F";
    temperature.sample.tcType = VN_Sample::TcTypeJ;
    temperature.dataSourceId = 2;
    temperature.localId = 7;
    const std::string temperatureXml = Printed(temperature.MakeNewXmlElement());
    EXPECT_EQ("<Temperature value=\"2.550000E+01\" description=\"Back of module 3\" type=\"THERMOCOUPLE\" "
              "units=\"F\" tc_type=\"J\" data_source=\"2\" input_id=\"7\" />",
              temperatureXml);
    EXPECT_EQ(temperatureXml, Printed(VN_Sample::TemperatureChannel(*ParseElement(temperatureXml)).MakeNewXmlElement()));

    VN_Sample::AuxInputChannel aux;
    aux.sample.name = "Pyranometer";
    aux.sample.units = "W/m2";
    aux.sample.SetValue(0.004);
    aux.convertedReference = 1000.0;
    aux.convertedOffset = 0.5;
    aux.voltageReference = 0.008;
    aux.dataSourceId = 0;
    aux.localId = 3;
    const std::string auxXml = Printed(aux.MakeNewXmlElement());
    EXPECT_EQ("<AuxInput converted_value=\"5.005000E+02\" description=\"Pyranometer\" "
              "measured_voltage=\"4.000000E-03\" converted_ref=\"1.000000E+03\" converted_offset=\"5.000000E-01\" "
              "voltage_ref=\"8.000000E-03\" units=\"W/m2\" data_source=\"0\" input_id=\"3\" />",
              auxXml);
    EXPECT_EQ(auxXml, Printed(VN_Sample::AuxInputChannel(*ParseElement(auxXml)).MakeNewXmlElement()));
}

TEST(ChannelXmlTest, TypeCodesAndMissingOrMalformedAttributes) {
    VN_Sample::TemperatureChannel temperature;
    temperature.sample.name = "old";
    temperature.sample.units = "K";
    temperature.localId = 4;
    temperature.Initialize(*ParseElement("<Temperature tc_type=\"k\" />"));
    EXPECT_EQ("<Temperature value=\"-9.999000E+03\" description=\"\" type=\"THERMOCOUPLE\" units=\"C\" "
              "tc_type=\"UNKNOWN\" data_source=\"1\" input_id=\"4\" />",
              Printed(temperature.MakeNewXmlElement()));
    for (auto [text, code] : {std::pair<const char*, int>{"T", VN_Sample::TcTypeT}, {"Kelvinish", VN_Sample::TcTypeK},
                              {"J", VN_Sample::TcTypeJ}, {"", VN_Sample::TcUnknown}}) {
        temperature.Initialize(*ParseElement(std::string("<Temperature tc_type=\"") + text + "\" />"));
        EXPECT_EQ(code, temperature.sample.tcType) << text;
    }

    VN_Sample::AuxInputChannel aux;
    aux.sample.name = "Reference cell";
    aux.sample.units = "W/m2";
    aux.convertedReference = 900.0;
    aux.dataSourceId = 1;
    aux.Initialize(*ParseElement("<AuxInput voltage_ref=\"abc\" data_source=\"x\" converted_offset=\"1.5\" />"));
    EXPECT_EQ("<AuxInput converted_value=\"-9.999000E+03\" description=\"Reference cell\" "
              "measured_voltage=\"-9.999000E+03\" converted_ref=\"9.000000E+02\" converted_offset=\"1.500000E+00\" "
              "voltage_ref=\"1.000000E+00\" units=\"\" data_source=\"1\" input_id=\"-1\" />",
              Printed(aux.MakeNewXmlElement()));
}

// A value read from a document is shown, but it was not measured in this
// period, so the running average must not count it.
TEST(ChannelXmlTest, ValueReadBackStaysOutOfTheAverage) {
    VN_Sample::TemperatureChannel channel;
    channel.sample.SetValue(30.0);
    channel.Initialize(*ParseElement("<Temperature value=\"-9999\" />"));
    EXPECT_FALSE(channel.sample.valid);
    EXPECT_EQ(0, channel.sample.AverageNow());
    EXPECT_DOUBLE_EQ(30.0, channel.sample.average);

    VN_Sample::AuxInputChannel aux;
    aux.Initialize(*ParseElement("<AuxInput measured_voltage=\"0.0041\" />"));
    EXPECT_TRUE(aux.sample.valid);
    EXPECT_DOUBLE_EQ(0.0041, aux.sample.value);
    EXPECT_EQ(VN_Sample::DataSample::ErrNoValues, aux.sample.AverageNow());
}

TEST(ModuleChannelTest, SettersKeepTheirRanges) {
    VN_Sample::ModuleChannel c;
    const VN_Lib::LoadConfiguration_T& load = c.loadConfiguration;
    struct Case_T {
        std::function<int(double)> set;
        std::function<double()> field;
        double refusedLow, acceptedLow, acceptedHigh, refusedHigh;
    };
    const Case_T cases[] = {
        {[&](double v) { return c.SetAveragePeriod(static_cast<int>(v)); }, [&] { return 1.0 * load.averageUsec; },
         9, 10, 1000000, 1000001},
        {[&](double v) { return c.SetPtrackVmin(v); }, [&] { return load.ptrackVmin; }, -0.01, 0.0, 1.0, 1.01},
        {[&](double v) { return c.SetPtrackVstep(v); }, [&] { return load.ptrackVstep; }, 0.009, 0.01, 0.2, 0.21},
        {[&](double v) { return c.SetApertureArea(v); }, [&] { return c.apertureArea; }, 0.0, 1e-6, 1e6, 2e6},
        {[&](double v) { return c.SetTotalArea(v); }, [&] { return c.totalArea; }, 9e-7, 1e-6, 1e6, 1.1e6},
    };
    for (const Case_T& t : cases) {
        EXPECT_EQ(0, t.set(t.acceptedLow));
        EXPECT_EQ(VN_Sample::ModuleChannel::ErrRefused, t.set(t.refusedLow));
        EXPECT_EQ(VN_Sample::ModuleChannel::ErrRefused, t.set(t.refusedHigh));
        EXPECT_EQ(VN_Sample::ModuleChannel::ErrRefused, t.set(std::numeric_limits<double>::quiet_NaN()));
        EXPECT_DOUBLE_EQ(t.acceptedLow, t.field()) << "a refused value leaves the field alone";
        EXPECT_EQ(0, t.set(t.acceptedHigh));
        EXPECT_DOUBLE_EQ(t.acceptedHigh, t.field());
    }
}

time_t TestNow = 0;

void TestClock(struct timeval* tv) {
    tv->tv_sec = TestNow;
    tv->tv_usec = 0;
}

// A channel that switches its module to 12 V at 06:00 and to 0 V at 18:00,
// on a clock and in a time zone the test sets.
class ProfileTest : public ::testing::Test {
protected:
    ProfileTest() {
        const char* zone = getenv("TZ");
        if (zone != nullptr) previousZone = std::make_unique<std::string>(zone);
        VN_Lib::SetClockFunction(TestClock);
        channel.SetTrackingMode(VN_Sample::TrackProfile);
        channel.voltageProfile.push_back({VN_Lib::make_tod(6, 0, 0), 12.0});
        channel.voltageProfile.push_back({VN_Lib::make_tod(18, 0, 0), 0.0});
    }
    ~ProfileTest() override {
        VN_Lib::SetClockFunction(nullptr);
        if (previousZone) {
            setenv("TZ", previousZone->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

    static void UseZone(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }


    // The voltage of the step due at t, or -1 when none is.
    double StepAt(time_t t) {
        TestNow = t;
        double volts = -1.0;
        return channel.TimeToUpdateLoadProfile(&volts) ? volts : -1.0;
    }

    std::unique_ptr<std::string> previousZone;
    VN_Sample::ModuleChannel channel;
};

TEST_F(ProfileTest, StepsThroughADay) {
    UseZone("UTC");
    EXPECT_EQ(-1.0, StepAt(VN_Test::LocalTime(2024, 6, 10, 5)));
    EXPECT_EQ(0, channel.nextProfileTime);
    EXPECT_EQ(12.0, StepAt(VN_Test::LocalTime(2024, 6, 10, 6)));
    EXPECT_EQ(VN_Test::LocalTime(2024, 6, 10, 18), channel.nextProfileTime);
    EXPECT_EQ(-1.0, StepAt(VN_Test::LocalTime(2024, 6, 10, 17, 59)));
    EXPECT_EQ(0.0, StepAt(VN_Test::LocalTime(2024, 6, 10, 18)));
    EXPECT_EQ(VN_Test::LocalTime(2024, 6, 11, 6), channel.nextProfileTime);
    EXPECT_EQ(-1.0, StepAt(VN_Test::LocalTime(2024, 6, 11, 5, 59)));
    EXPECT_EQ(12.0, StepAt(VN_Test::LocalTime(2024, 6, 11, 6)));

    channel.SetTrackingMode(VN_Sample::TrackFixedVoltage);
    channel.nextProfileTime = 0;
    EXPECT_EQ(-1.0, StepAt(VN_Test::LocalTime(2024, 6, 11, 7)));
}

// Start times count the seconds since local midnight. On the days the clocks
// change, the step after the day's last one is still due at the next day's
// local midnight plus the first start time, not 24 hours after midnight.
TEST_F(ProfileTest, NextDayStepFromADayOfAClockChange) {
    UseZone("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(0.0, StepAt(VN_Test::LocalTime(2024, 3, 31, 19)));  // 23-hour day: 18 h after midnight
    EXPECT_EQ(VN_Test::LocalTime(2024, 4, 1, 6), channel.nextProfileTime);

    channel.nextProfileTime = 0;
    EXPECT_EQ(0.0, StepAt(VN_Test::LocalTime(2024, 10, 27, 17)));  // 25-hour day: 18 h after midnight
    EXPECT_EQ(VN_Test::LocalTime(2024, 10, 28, 6), channel.nextProfileTime);
}

}  // namespace
}  // namespace VN_Test
