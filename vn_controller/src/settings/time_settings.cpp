#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "clock.h"
#include "common/controller_logs.h"
#include "common/local_time.h"
#include "common/xml_helper.h"
#include "schedule/data_sampler.h"
#include "settings/ntp_servers.h"
#include "settings/settings_document.h"
#include "shell.h"

namespace VN_Sample {

namespace {

// The zones of whole hours that exist.
const int MinTimeZone = -14;
const int MaxTimeZone = 12;

// A whole decimal number; one too large for an int reads as the nearest int,
// which the zone clamp then takes.
bool ParseWholeNumber(const char* text, int* value) {
    char* end = nullptr;
    errno = 0;
    const long read = std::strtol(text, &end, 10);
    if (end == text || *end != '\0') return false;
    *value = static_cast<int>(std::min<long>(std::max<long>(read, INT_MIN), INT_MAX));
    return true;
}

// The attribute when it reads as an int; else value is kept.
void QueryPart(const TiXmlElement& element, const char* name, int* value) { element.QueryIntAttribute(name, value); }

}  // namespace

int DataSampler::GetTimeSettings(TiXmlDocument& document) {
    SettingsRoot(document)->LinkEndChild(MakeNewTimeSettingsXmlElement());
    return 0;
}

int DataSampler::GetTimeSettings(std::string& xml) {
    TiXmlDocument document;
    GetTimeSettings(document);
    xml = SettingsText(document);
    return 0;
}

int DataSampler::SetTimeSettings(const std::string& xml, bool set_clock) {
    TiXmlDocument document;
    ParseSettingsText(xml, document);
    return SetTimeSettings(document, set_clock);
}

int DataSampler::SetTimeSettings(TiXmlDocument& document, bool set_clock) {
    DebugLog.Write("Set Time Settings\n");
    TiXmlElement* root = document.RootElement();
    const TiXmlElement* settings = root != nullptr ? root->FirstChildElement("TimeSettings") : nullptr;
    if (settings == nullptr) return ErrNoRoot;

    // Everything is checked before anything is kept or run.
    bool refused = false;
    const char* zoneText = settings->Attribute("timezone");
    int zone = timeZone;
    if (zoneText != nullptr && !ParseWholeNumber(zoneText, &zone)) {
        LogRefusedSetting("TimeSettings", "timezone", zoneText);
        refused = true;
    }
    std::string enabled = ntpEnabled;
    if (settings->Attribute("ntp_enabled") != nullptr &&
        !ReadChecked(*settings, "ntp_enabled", IsComparedWord, &enabled)) {
        refused = true;
    }
    const TiXmlElement* servers = settings->FirstChildElement("NTP_Servers");
    std::array<std::string, 4> checkedServers = ntpServers;
    if (servers != nullptr && !ReadNtpServers(*servers, &checkedServers)) refused = true;
    if (refused) return ErrSettingRefused;

    timeZone = std::min(std::max(zone, MinTimeZone), MaxTimeZone);
    LinkTimeZone();
    ntpEnabled = enabled;
    if (ntpEnabled == "yes") {
        DebugLog.Write("Set time NTP servers YES\n");
        if (servers != nullptr) SetNtpServers(servers, true);
    } else {
        DebugLog.Write("Set time NTP servers NO\n");
        const TiXmlElement* now = settings->FirstChildElement("CurrentTimeDate");
        if (set_clock && now != nullptr) SetCurrentTimeDate(now);
        if (servers != nullptr) SetNtpServers(servers, false);
    }
    ResetTimeDependancies();
    return 0;
}

void DataSampler::LinkTimeZone() const {
    // The zone names count the other way round: Etc/GMT+5 lies five hours behind UTC.
    const std::string sign = timeZone >= 0 ? "+" : "";
    VN_Lib::RunShellCommand("ln -sf /usr/share/zoneinfo/Etc/GMT" + sign + std::to_string(timeZone) +
                            " /etc/localtime");
}

TiXmlElement* DataSampler::GetCurrentTimeDate() {
    const time_t now = VN_Lib::Now();
    struct tm local = {};
    localtime_r(&now, &local);
    auto* element = new TiXmlElement("CurrentTimeDate");
    auto* date = new TiXmlElement("Date");
    date->SetAttribute("year", local.tm_year + 1900);
    date->SetAttribute("month", local.tm_mon + 1);
    date->SetAttribute("day", local.tm_mday);
    element->LinkEndChild(date);
    auto* time = new TiXmlElement("Time");
    time->SetAttribute("hour", local.tm_hour);
    time->SetAttribute("min", local.tm_min);
    time->SetAttribute("sec", local.tm_sec);
    element->LinkEndChild(time);
    return element;
}

int DataSampler::GetCurrentTimeDate(std::string& xml) {
    std::unique_ptr<TiXmlElement> element(GetCurrentTimeDate());
    xml = XmlHelper::GetAsString(element.get());
    return 0;
}

int DataSampler::SetCurrentTimeDate(const TiXmlElement* element) {
    if (element == nullptr) return ErrNoRoot;
    const time_t now = VN_Lib::Now();
    struct tm local = {};
    localtime_r(&now, &local);
    int year = local.tm_year + 1900;
    int month = local.tm_mon + 1;
    int day = local.tm_mday;
    int hour = local.tm_hour;
    int min = local.tm_min;
    int sec = local.tm_sec;
    if (const TiXmlElement* date = element->FirstChildElement("Date")) {
        QueryPart(*date, "year", &year);
        QueryPart(*date, "month", &month);
        QueryPart(*date, "day", &day);
        year = std::min(std::max(year, 2000), 3000);
        month = std::min(std::max(month, 1), 12);
        day = std::min(std::max(day, 1), 31);
    }
    if (const TiXmlElement* time = element->FirstChildElement("Time")) {
        QueryPart(*time, "hour", &hour);
        QueryPart(*time, "min", &min);
        QueryPart(*time, "sec", &sec);
        hour = std::min(std::max(hour, 0), 23);
        min = std::min(std::max(min, 0), 59);
        sec = std::min(std::max(sec, 0), 59);
    }
    struct timeval tv = {};
    tv.tv_sec = LocalCalendarTime(year, month, day, hour, min, sec);
    if (tv.tv_sec == static_cast<time_t>(-1)) return 0;
    if (VN_Lib::SetSystemClock(tv) == 0) VN_Lib::RunShellCommand("hwclock --systohc --utc");
    return 0;
}

TiXmlElement* DataSampler::MakeNewTimeSettingsXmlElement() {
    auto* element = new TiXmlElement("TimeSettings");
    element->SetAttribute("timezone", timeZone);
    element->SetAttribute("ntp_enabled", ntpEnabled);
    element->LinkEndChild(GetCurrentTimeDate());
    element->LinkEndChild(GetNtpServers());
    return element;
}

}  // namespace VN_Sample
