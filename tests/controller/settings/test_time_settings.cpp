// Time zone, NTP servers and the clock: the commands that put them into
// effect, the clamps, values refused before they reach a root shell, and the
// schedule following a changed clock.
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "schedule/data_sampler.h"
#include "settings_station.h"
#include "test_clocks.h"

namespace {

using VN_Sample::DataSampler;
using VN_Test::TestClocks;
using Commands_T = std::vector<std::string>;

const time_t Frozen = 1700000000;

std::string Settings(const std::string& timeSettings) { return "<Settings>" + timeSettings + "</Settings>"; }

std::string ClockSet(time_t t) { return "settimeofday " + std::to_string(t) + ".000000"; }

class TimeSettingsTest : public VN_Test::SettingsStation {
protected:
    TimeSettingsTest() { MarkJournal(); }

    // The time settings without the clock reading.
    std::string TimeSettings() {
        TiXmlDocument document;
        sampler.GetTimeSettings(document);
        TiXmlElement* settings = document.RootElement()->FirstChildElement("TimeSettings");
        settings->RemoveChild(settings->FirstChildElement("CurrentTimeDate"));
        std::string xml;
        xml << document;
        return xml;
    }

    std::string LinkedZone() {
        char target[256] = "";
        const ssize_t length = readlink(dir.File("etc/localtime").c_str(), target, sizeof(target) - 1);
        return length > 0 ? std::string(target, static_cast<size_t>(length)) : std::string();
    }

    TestClocks clocks{TestClocks::Frozen};
    DataSampler sampler;
};

TEST_F(TimeSettingsTest, ZoneClampedToTheZonesThatExistAndLinked) {
    const struct {
        const char* zone;
        const char* stored;
        const char* name;
    } cases[] = {{"15", "12", "GMT+12"}, {"-20", "-14", "GMT-14"}, {"0", "0", "GMT+0"}, {"-5", "-5", "GMT-5"},
                 {"99999999999", "12", "GMT+12"}};
    for (const auto& each : cases) {
        MarkJournal();
        ASSERT_EQ(0, sampler.SetTimeSettings(Settings("<TimeSettings timezone=\"" + std::string(each.zone) + "\" />"),
                                             false));
        const std::string target = std::string("/usr/share/zoneinfo/Etc/") + each.name;
        EXPECT_EQ(Commands_T{"ln -sf " + target + " /etc/localtime"}, Commands()) << each.zone;
        EXPECT_EQ(target, LinkedZone()) << each.zone;
        EXPECT_NE(std::string::npos, TimeSettings().find("timezone=\"" + std::string(each.stored) + "\""))
            << each.zone;
    }
}

// What the clock is asked to show: out-of-range parts clamped, absent ones
// taken from now; the hardware clock follows. Only when asked and NTP is off.
TEST_F(TimeSettingsTest, ClockSetFromClampedDateAndTime) {
    const std::string link = "ln -sf /usr/share/zoneinfo/Etc/GMT+0 /etc/localtime";
    const std::string clamped =
        "<CurrentTimeDate><Date year=\"1999\" month=\"13\" day=\"40\" />"
        "<Time hour=\"25\" min=\"-1\" sec=\"99\" /></CurrentTimeDate>";
    ASSERT_EQ(0, sampler.SetTimeSettings(Settings("<TimeSettings ntp_enabled=\"no\">" + clamped + "</TimeSettings>"),
                                         true));
    EXPECT_EQ((Commands_T{link, ClockSet(VN_Test::LocalTime(2000, 12, 31, 23, 0, 59)), "hwclock --systohc --utc"}),
              Commands());

    struct tm now = {};
    localtime_r(&Frozen, &now);
    MarkJournal();
    ASSERT_EQ(0, sampler.SetTimeSettings(
                     Settings("<TimeSettings><CurrentTimeDate><Date year=\"2999\" month=\"0\" /><Time hour=\"-3\" />"
                              "</CurrentTimeDate></TimeSettings>"),
                     true));
    const time_t expected = VN_Test::LocalTime(2999, 1, now.tm_mday, 0, now.tm_min, now.tm_sec);
    EXPECT_EQ((Commands_T{link, ClockSet(expected), "hwclock --systohc --utc"}), Commands());

    // Not asked, or the clock is NTP's.
    for (const auto& call : {std::make_pair("no", false), std::make_pair("yes", true)}) {
        MarkJournal();
        ASSERT_EQ(0, sampler.SetTimeSettings(Settings("<TimeSettings ntp_enabled=\"" + std::string(call.first) + "\">" +
                                                      clamped + "</TimeSettings>"),
                                             call.second));
        EXPECT_EQ(Commands_T{link}, Commands()) << call.first;
    }

    // What the station reports as its time is what it would set.
    MarkJournal();
    std::unique_ptr<TiXmlElement> current(sampler.GetCurrentTimeDate());
    ASSERT_EQ(0, sampler.SetCurrentTimeDate(current.get()));
    EXPECT_EQ((Commands_T{ClockSet(Frozen), "hwclock --systohc --utc"}), Commands());
    EXPECT_EQ(DataSampler::ErrNoRoot, sampler.SetCurrentTimeDate(nullptr));
}

TEST_F(TimeSettingsTest, NtpConfigurationRewrittenAndNtpdStartedOnlyWhenEnabled) {
    const std::string servers =
        "<NTP_Servers><Server1 address=\"ntp.example.org\" /><Server3 address=\"192.0.2.123\" /></NTP_Servers>";
    const Commands_T configuration = {"killall ntpd",
                                      "rm /etc/ntp.conf",
                                      "echo driftfile /etc/ntp/drift >> /etc/ntp.conf",
                                      "echo restrict default nomodify noquery notrap >> /etc/ntp.conf",
                                      "echo restrict 127.0.0.1 >> /etc/ntp.conf",
                                      "echo server ntp.example.org >> /etc/ntp.conf",
                                      "echo server 1.pool.ntp.org >> /etc/ntp.conf",
                                      "echo server 192.0.2.123 >> /etc/ntp.conf",
                                      "echo server 3.pool.ntp.org >> /etc/ntp.conf",
                                      "cat /etc/ntp.conf"};
    ASSERT_EQ(0, sampler.SetTimeSettings(
                     Settings("<TimeSettings timezone=\"-1\" ntp_enabled=\"yes\"><CurrentTimeDate><Date year=\"2020\" "
                              "/></CurrentTimeDate>" + servers + "</TimeSettings>"),
                     true));
    Commands_T expected = {"ln -sf /usr/share/zoneinfo/Etc/GMT-1 /etc/localtime"};
    expected.insert(expected.end(), configuration.begin(), configuration.end());
    expected.push_back("ntpd");
    EXPECT_EQ(expected, Commands());
    EXPECT_EQ("driftfile /etc/ntp/drift\nrestrict default nomodify noquery notrap\nrestrict 127.0.0.1\n"
              "server ntp.example.org\nserver 1.pool.ntp.org\nserver 192.0.2.123\nserver 3.pool.ntp.org\n",
              VN_Test::ReadFile(dir.File("etc/ntp.conf")));

    MarkJournal();
    ASSERT_EQ(0, sampler.SetTimeSettings(Settings("<TimeSettings ntp_enabled=\"no\">" + servers + "</TimeSettings>"),
                                         false));
    expected.pop_back();
    EXPECT_EQ(expected, Commands());
    EXPECT_NE(std::string::npos, TimeSettings().find("<Server1 address=\"ntp.example.org\" />"));
}

// Names and numbers that are no server names or zones: the whole element is
// refused, nothing runs, the zone given beside them is not kept.
TEST_F(TimeSettingsTest, RefusedValueChangesNothingAndRunsNothing) {
    const std::string before = TimeSettings();
    for (const std::string& element : std::vector<std::string>{
             "<TimeSettings timezone=\"3\"><NTP_Servers><Server2 address=\"$(id)\" /></NTP_Servers></TimeSettings>",
             "<TimeSettings timezone=\"3\"><NTP_Servers><Server4 address=\"\" /></NTP_Servers></TimeSettings>",
             "<TimeSettings timezone=\"3\" ntp_enabled=\"yes\"><NTP_Servers><Server1 address=\"a..b\" />"
             "</NTP_Servers></TimeSettings>",
             "<TimeSettings><NTP_Servers><Server1 address=\"pool.ntp.org -c /tmp/x\" /></NTP_Servers></TimeSettings>",
             "<TimeSettings timezone=\"5; reboot\" />",
             "<TimeSettings timezone=\"east\" />",
             "<TimeSettings timezone=\"3\" ntp_enabled=\"yes-please-yes-please\" />",
         }) {
        MarkJournal();
        EXPECT_EQ(DataSampler::ErrSettingRefused, sampler.SetTimeSettings(Settings(element), true)) << element;
        EXPECT_EQ(Commands_T(), Commands()) << element;
        EXPECT_EQ(before, TimeSettings()) << element;
    }
    TiXmlElement servers("NTP_Servers");
    TiXmlElement* server = new TiXmlElement("Server3");
    server->SetAttribute("address", "1.2.3.4;reboot");
    servers.LinkEndChild(server);
    EXPECT_EQ(DataSampler::ErrSettingRefused, sampler.SetNtpServers(&servers, true));
    EXPECT_EQ(Commands_T(), Commands());
    EXPECT_EQ(before, TimeSettings());

    for (const char* missing : {"", "<Settings />", "<Settings><TimeSettings timezone=\"3\">"}) {
        EXPECT_EQ(DataSampler::ErrNoRoot, sampler.SetTimeSettings(std::string(missing), true)) << missing;
    }
    EXPECT_EQ(Commands_T(), Commands());
}

TEST_F(TimeSettingsTest, ScheduleFollowsAClockSetBack) {
    const time_t average = sampler.NextAverageTime();
    ASSERT_GT(average, Frozen);
    TestClocks::ShiftTimeOfDay(-86400LL * 1000000);
    ASSERT_EQ(0, sampler.SetTimeSettings(Settings("<TimeSettings timezone=\"0\" />"), false));
    const time_t now = VN_Lib::Now();
    EXPECT_EQ(now + 1, sampler.NextSampleTime());
    // Averages are stored at midnight only by default: the previous one.
    EXPECT_EQ(average - 86400, sampler.NextAverageTime());
    EXPECT_GT(sampler.NextCurveTime(), now);
    EXPECT_LE(sampler.NextCurveTime(), now + 3660);
}

}  // namespace
