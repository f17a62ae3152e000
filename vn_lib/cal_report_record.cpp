#include "cal_report_record.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "cal_type.h"
#include "clock.h"

namespace VN_Lib {

namespace {

__attribute__((format(printf, 1, 2))) std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        text.assign(buffer.data(), static_cast<size_t>(length));
    }
    va_end(args);
    return text;
}

// TinyXML's own real setter prints "%g"; every real attribute of the system is "%E".
void SetReal(TiXmlElement* element, const char* name, double value) {
    element->SetAttribute(name, Format("%E", value));
}

struct tm LocalTime(time_t when) {
    struct tm local;
    std::memset(&local, 0, sizeof(local));
    localtime_r(&when, &local);
    return local;
}

struct Field_T {
    int* target;
    int low;
    int high;
};

// Reads up to three integers joined by separator in the manner of
// sscanf("%d/%d/%d"), but keeps only values within their field's range and
// stops at the first that is missing or out of range, so no text can make
// the date conversion overflow.
void ReadFields(const char* text, char separator, const Field_T (&fields)[3]) {
    const char* cursor = text;
    for (size_t i = 0; i < 3; ++i) {
        if (i > 0) {
            if (*cursor != separator) return;
            ++cursor;
        }
        char* end = nullptr;
        long value = std::strtol(cursor, &end, 10);
        if (end == cursor || value < fields[i].low || value > fields[i].high) return;
        *fields[i].target = static_cast<int>(value);
        cursor = end;
    }
}

}  // namespace

CalReportRecord::CalReportRecord(TiXmlElement& element) { Initialize(element); }

TiXmlElement* CalReportRecord::MakeNewXmlElement() const {
    auto element = std::make_unique<TiXmlElement>("CalRecord");
    element->SetAttribute("local_id", local_id);
    element->SetAttribute("type", type);
    element->SetAttribute("units", XmlSafeText(units));
    element->SetAttribute("date", DateText(time));
    element->SetAttribute("time", TimeText(time));
    SetReal(element.get(), "actual_value", actual_value);
    SetReal(element.get(), "before_value", before_value);
    SetReal(element.get(), "before_diff", BeforeDifference());
    SetReal(element.get(), "before_prcnt", BeforePercent());
    SetReal(element.get(), "after_value", after_value);
    SetReal(element.get(), "after_diff", AfterDifference());
    SetReal(element.get(), "after_prcnt", AfterPercent());
    SetReal(element.get(), "after_constant", after_constant);
    SetReal(element.get(), "before_constant", before_constant);
    element->SetAttribute("num_samples", num_samples);
    element->SetAttribute("avg_period", avg_period);
    element->SetAttribute("adjust", adjust ? "true" : "false");
    if (error != 0) element->SetAttribute("error", error);
    return element.release();
}

int CalReportRecord::GetXmlString(std::string& text) const {
    std::unique_ptr<TiXmlElement> element(MakeNewXmlElement());
    TiXmlPrinter printer;
    printer.SetIndent("    ");
    printer.SetLineBreak("\n");
    element->Accept(&printer);
    text = printer.Str();
    return 0;
}

int CalReportRecord::Initialize(TiXmlElement& element) {
    element.QueryIntAttribute("local_id", &local_id);
    element.QueryIntAttribute("type", &type);
    const char* unitsText = element.Attribute("units");
    units = unitsText != nullptr ? unitsText : "";

    struct tm local = LocalTime(Now());
    int month = local.tm_mon + 1;
    int day = local.tm_mday;
    int year = local.tm_year + 1900;
    if (const char* dateText = element.Attribute("date")) {
        ReadFields(dateText, '/', {{&month, 1, 12}, {&day, 1, 31}, {&year, 1900, 9999}});
    }
    if (const char* timeText = element.Attribute("time")) {
        ReadFields(timeText, ':', {{&local.tm_hour, 0, 23}, {&local.tm_min, 0, 59}, {&local.tm_sec, 0, 60}});
    }
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_year = year - 1900;
    // Let the conversion decide daylight saving for the date read, not today's.
    local.tm_isdst = -1;
    time_t converted = mktime(&local);
    time = converted != static_cast<time_t>(-1) ? converted : Now();

    element.QueryDoubleAttribute("actual_value", &actual_value);
    element.QueryDoubleAttribute("before_value", &before_value);
    element.QueryDoubleAttribute("after_value", &after_value);
    element.QueryDoubleAttribute("before_constant", &before_constant);
    element.QueryDoubleAttribute("after_constant", &after_constant);
    element.QueryIntAttribute("num_samples", &num_samples);
    element.QueryIntAttribute("avg_period", &avg_period);
    const char* adjustText = element.Attribute("adjust");
    adjust = adjustText != nullptr && std::strcmp(adjustText, "true") == 0;
    element.QueryIntAttribute("error", &error);
    return 0;
}

std::string CalReportRecord::GetTextString() const {
    std::string text = TypeName(type);
    text += Format("\t%i\t", local_id);
    text += "Date\t" + DateText(time) + "\t";
    text += "Time\t" + TimeText(time) + "\t";
    text += Format("Actual\t%f\t", actual_value);
    text += Format("Before\t%f\t", before_value);
    text += Format("Diff\t%f\t", BeforeDifference());
    text += Format("After\t%f\t", after_value);
    text += Format("Diff\t%f\t", AfterDifference());
    return text;
}

const char* CalReportRecord::TypeName(int calType) {
    switch (calType) {
        case CAL_MODULE_VOLTAGE: return "Module Voltage";
        case CAL_MODULE_CURRENT: return "Module Current";
        case CAL_TEMPERATURE: return "Temperature";
        case CAL_AUX_INPUT: return "Aux Input";
        default: return "Misc";
    }
}

std::string CalReportRecord::DateText(time_t when) {
    struct tm local = LocalTime(when);
    return Format("%02i/%02i/%04i", local.tm_mon + 1, local.tm_mday, local.tm_year + 1900);
}

std::string CalReportRecord::TimeText(time_t when) {
    struct tm local = LocalTime(when);
    return Format("%02i:%02i:%02i", local.tm_hour, local.tm_min, local.tm_sec);
}

std::string CalReportRecord::XmlSafeText(const std::string& text) {
    std::string safe = text;
    for (char& c : safe) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && c != '\t' && c != '\n' && c != '\r') c = ' ';
    }
    return safe;
}

int ReturnCalRecord(DataFrame& response, const CalReportRecord& record) {
    std::string text;
    record.GetXmlString(text);
    response.AddString(text);
    return 0;
}

}  // namespace VN_Lib
