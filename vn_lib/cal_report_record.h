#ifndef VN_LIB_CAL_REPORT_RECORD_H
#define VN_LIB_CAL_REPORT_RECORD_H

#include <tinyxml.h>

#include <cstdint>
#include <ctime>
#include <string>

#include "data_frame.h"

namespace VN_Lib {

// Outcome of one calibration step on one input channel: the operator's true
// value, the mean readings with the conversion factor before and after the
// step, and both factors. The differences and percentages are derived when
// printed, never stored.
class CalReportRecord {
public:
    CalReportRecord() = default;
    explicit CalReportRecord(TiXmlElement& element);

    // New "CalRecord" element; the caller owns it.
    TiXmlElement* MakeNewXmlElement() const;
    // The element printed with four-blank indents, without a declaration; always 0.
    int GetXmlString(std::string& text) const;
    // Fills the record from a "CalRecord" element. A missing or unreadable
    // attribute leaves its field as it was (date and time: the current local
    // ones); always 0.
    int Initialize(TiXmlElement& element);
    // One line, no line break.
    std::string GetTextString() const;

    double BeforeDifference() const { return before_value - actual_value; }
    double BeforePercent() const { return (before_value - actual_value) * 100.0 / actual_value; }
    double AfterDifference() const { return after_value - actual_value; }
    double AfterPercent() const { return (after_value - actual_value) * 100.0 / actual_value; }

    // "Module Voltage", "Module Current", "Temperature", "Aux Input", or
    // "Misc" for any other type.
    static const char* TypeName(int type);
    // Local date "mm/dd/yyyy" and time of day "hh:mm:ss" as records and
    // reports print them.
    static std::string DateText(time_t when);
    static std::string TimeText(time_t when);
    // Text as an XML attribute may carry it: control characters other than
    // tab, line feed and carriage return are not allowed in XML and become
    // blanks, so a peer's odd serial number cannot spoil a document.
    static std::string XmlSafeText(const std::string& text);

    int32_t local_id = 0;
    int32_t type = 0;
    time_t time = 0;
    std::string units;
    int32_t num_samples = 0;
    int32_t avg_period = 0;  // microseconds
    double actual_value = 0.0;
    double before_value = 0.0;
    double after_value = 0.0;
    double before_constant = 0.0;
    double after_constant = 0.0;
    bool adjust = false;
    // The step's result code; written (attribute "error") only when not 0, so
    // the record of a successful step reads as before.
    int32_t error = 0;
};

// Unit side of a calibrate command: appends the record's XML text to the
// response as one string item; always 0.
int ReturnCalRecord(DataFrame& response, const CalReportRecord& record);

}  // namespace VN_Lib

#endif
