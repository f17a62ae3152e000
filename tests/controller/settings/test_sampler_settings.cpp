// The sampler's user settings: the Sampler and Curves elements written and
// applied, time-of-day elements, and values refused before they reach the
// schedule or a shell command.
#include <gtest/gtest.h>

#include <string>

#include "app/controller_program.h"
#include "clock.h"
#include "common/controller_logs.h"
#include "common/xml_helper.h"
#include "schedule/data_sampler.h"
#include "test_support.h"

namespace {

using VN_Sample::DataSampler;
using VN_Sample::XmlHelper;

// 2012-07-04 13:05:09 UTC: on the 10 s grid of every whole-minute time zone
// the next average falls 1 s later, the next minute 51 s later.
const time_t Built = 1341407109;

void FixedClock(struct timeval* tv) {
    tv->tv_sec = Built;
    tv->tv_usec = 0;
}

const char* const StationSettings = R"(<Settings>
    <Sampler sample_period="1" average_period="10" delim=";" local_path="/data/vnd/" backup_path="backup_data">
        <StartTime hour="0" min="0" sec="0" />
        <StopTime hour="23" min="59" sec="59" />
    </Sampler>
    <Curves interval="60" irrad_min="1.000000E+02" irrad_max="1.200000E+03" irrad_filter_enabled="yes" curve_path="/data/curves/">
        <StartTime hour="0" min="0" sec="0" />
        <StopTime hour="23" min="59" sec="59" />
    </Curves>
</Settings>
)";

class SamplerSettingsTest : public ::testing::Test {
protected:
    // Refused settings are logged; the tests only look at what was kept.
    SamplerSettingsTest() : workingDir(dir.Path()), errorsLogged(ErrMsgLog.IsEnabled()) {
        VN_Lib::SetClockFunction(FixedClock);
        ErrMsgLog.Disable();
    }
    ~SamplerSettingsTest() override {
        VN_Lib::SetClockFunction(nullptr);
        if (errorsLogged) ErrMsgLog.Enable();
    }

    static int Apply(DataSampler& sampler, const std::string& text) {
        TiXmlDocument document;
        document.Parse(text.c_str());
        return sampler.SetUserSettings(document);
    }

    // The Sampler and Curves elements (the others have tests of their own).
    static std::string Settings(DataSampler& sampler) {
        TiXmlDocument document;
        sampler.GetUserSettings(document);
        return WithoutNetworkAndTime(document);
    }

    static std::string WithoutNetworkAndTime(TiXmlDocument& document) {
        TiXmlElement* root = document.RootElement();
        root->RemoveChild(root->FirstChildElement("TimeSettings"));
        root->RemoveChild(root->FirstChildElement("Network"));
        return XmlHelper::GetAsString(&document);
    }

    // The sampler's settings after the station's schedule and then `change`.
    static std::string SettingsAfter(const std::string& change) {
        DataSampler sampler;
        EXPECT_EQ(0, Apply(sampler, StationSettings));
        EXPECT_EQ(0, Apply(sampler, change));
        return Settings(sampler);
    }

    // Samplers prepare their data folders: keep that inside a scratch station.
    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir workingDir;
    bool errorsLogged;
};

TEST(SamplerSettingsTimeOfDay, WrittenAsHourMinSecAndReadBack) {
    TiXmlElement element("StartTime");
    DataSampler::SetElementTimeOfDay(&element, 45296);
    EXPECT_EQ("<StartTime hour=\"12\" min=\"34\" sec=\"56\" />\n", XmlHelper::GetAsString(&element));
    EXPECT_EQ(45296, DataSampler::GetElementTimeOfDay(&element));

    EXPECT_EQ(-1, DataSampler::GetElementTimeOfDay(nullptr));
    element.RemoveAttribute("sec");
    EXPECT_EQ(-1, DataSampler::GetElementTimeOfDay(&element));
    element.SetAttribute("sec", 0);
    element.SetAttribute("min", -1);
    EXPECT_EQ(-1, DataSampler::GetElementTimeOfDay(&element));
    // An hour so large the time of day would wrap round.
    element.SetAttribute("min", 0);
    element.SetAttribute("hour", 1193047);
    EXPECT_EQ(-1, DataSampler::GetElementTimeOfDay(&element));
}

TEST_F(SamplerSettingsTest, StationScheduleAppliedToAFreshSamplerAndReadBack) {
    DataSampler sampler;
    ASSERT_EQ(0, Apply(sampler, StationSettings));
    time_t now = Built;
    EXPECT_EQ(Built + 1, sampler.UpdateNextSampleTime(&now));
    EXPECT_EQ(Built + 1, sampler.NextAverageTime());
    EXPECT_EQ(Built + 51, sampler.NextCurveTime());

    // Appended to the caller's root after what it holds, Sampler first.
    TiXmlDocument document;
    document.Parse("<Settings><!--A test comment--></Settings>");
    ASSERT_EQ(0, sampler.GetUserSettings(document));
    std::string expected = StationSettings;
    expected.insert(expected.find('\n') + 1, "    <!--A test comment-->\n");
    EXPECT_EQ(expected, WithoutNetworkAndTime(document));

    // What one sampler writes, another reads back to the same settings.
    DataSampler fresh;
    ASSERT_EQ(0, fresh.SetUserSettings(document));
    EXPECT_EQ(Settings(sampler), Settings(fresh));
}

TEST_F(SamplerSettingsTest, CurveSettingsAloneAndTheFileForm) {
    DataSampler sampler;
    TiXmlDocument curves;
    ASSERT_EQ(0, sampler.GetCurveSettings(curves));
    EXPECT_EQ(nullptr, curves.RootElement()->FirstChildElement("Sampler"));

    TiXmlDocument empty;
    EXPECT_EQ(DataSampler::ErrNoRoot, sampler.SetUserSettings(empty));
    EXPECT_EQ(DataSampler::ErrNoRoot, sampler.SetCurveSettings(empty));

    EXPECT_EQ(DataSampler::ErrSettingsFile, sampler.SetUserSettings(dir.File("settings.xml")));
    VN_Test::WriteFile(dir.File("settings.xml"), StationSettings);
    ASSERT_EQ(0, sampler.SetUserSettings(dir.File("settings.xml")));
    EXPECT_EQ(StationSettings, Settings(sampler));
}

// Periods of 0 or less, -999 ("no limit given") and non-finite limits, half
// a time of day; paths that would reach mkdir, chgrp and chmod command lines
// as more than a plain path; delimiters that would break a data line.
TEST_F(SamplerSettingsTest, AbsentOrRefusedValuesKeepTheSettings) {
    for (const char* change : {
             "<Settings />",
             "<Settings><Sampler><StartTime hour=\"1\" /></Sampler><Curves /></Settings>",
             "<Settings><Sampler sample_period=\"0\" average_period=\"0\" /><Curves interval=\"0\" /></Settings>",
             "<Settings><Sampler sample_period=\"-5\" average_period=\"-10\" /><Curves interval=\"-60\" /></Settings>",
             "<Settings><Curves irrad_min=\"-999\" irrad_max=\"-9.99E+02\" /></Settings>",
             "<Settings><Curves irrad_min=\"nan\" irrad_max=\"inf\" /></Settings>",
             "<Settings><Curves curve_path=\"/data/curves/&quot;; rm -rf /\" /></Settings>",
             "<Settings><Sampler local_path=\"/data/my vnd/\" backup_path=\"-rf\" /></Settings>",
             "<Settings><Sampler local_path=\"\" backup_path=\"$(reboot)\" /></Settings>",
             "<Settings><Sampler delim=\"\" /></Settings>",
             "<Settings><Sampler delim=\",&#13;\" /></Settings>",
             "<Settings><Sampler delim=\",,,,,\" /></Settings>",
         }) {
        EXPECT_EQ(StationSettings, SettingsAfter(change)) << change;
    }

    const std::string changed = SettingsAfter(
        "<Settings><Curves curve_path=\"curves_2/\" /><Sampler local_path=\"../vnd.d/\" backup_path=\"Backup-2\" />"
        "</Settings>");
    EXPECT_NE(std::string::npos, changed.find("curve_path=\"curves_2/\"")) << changed;
    EXPECT_NE(std::string::npos, changed.find("local_path=\"../vnd.d/\"")) << changed;
    EXPECT_NE(std::string::npos, changed.find("backup_path=\"Backup-2\"")) << changed;
}

// The controller's settings file: the sampler's elements ahead of the data system's.
TEST(SamplerSettingsFile, SavedAheadOfTheDataSystemsElements) {
    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir workingDir(dir.Path());
    ASSERT_EQ(0, SaveUserSettings("settings.xml"));
    const std::string saved = VN_Test::ReadFile(dir.File("settings.xml"));
    const size_t sampler = saved.find("<Sampler ");
    const size_t curves = saved.find("<Curves interval=");
    const size_t globals = saved.find("<Globals ");
    ASSERT_NE(std::string::npos, globals) << saved;
    EXPECT_LT(sampler, curves) << saved;
    EXPECT_LT(curves, globals) << saved;
}

}  // namespace
