#include "schedule/status.h"

#include <memory>

#include "clock.h"
#include "common/xml_helper.h"

namespace VN_Sample {

namespace {

// A due time as hour, min, sec and whether it falls on today's date or later.
TiXmlElement* MakeNewDueTimeElement(const char* name, time_t due, time_t now) {
    struct tm dueLocal = {};
    struct tm nowLocal = {};
    localtime_r(&due, &dueLocal);
    localtime_r(&now, &nowLocal);
    auto* element = new TiXmlElement(name);
    element->SetAttribute("hour", dueLocal.tm_hour);
    element->SetAttribute("min", dueLocal.tm_min);
    element->SetAttribute("sec", dueLocal.tm_sec);
    element->SetAttribute("day", dueLocal.tm_mday == nowLocal.tm_mday ? "Today" : "Tomorrow");
    return element;
}

}  // namespace

std::string Status::GetStateString() const {
    switch (state) {
        case StateIdle: return "Idle";
        case StateSampling: return "Sampling";
        case StateAveraging: return "Averaging";
        case StateStoring: return "Storing";
        case StateTakingCurve: return "Taking IV Curve";
        default: return "Unknown";
    }
}

TiXmlElement* Status::MakeNewXmlElement() const {
    const time_t now = VN_Lib::Now();
    auto* element = new TiXmlElement("Status");
    element->SetAttribute("state", GetStateString().c_str());
    if (storeError != 0) {
        element->SetAttribute("store_error", storeError);
        element->SetAttribute("store_error_text", storeErrorText.c_str());
    }
    element->LinkEndChild(MakeNewDueTimeElement("NextCurveTime", NextCurveTime, now));
    element->LinkEndChild(MakeNewDueTimeElement("NextAverageTime", NextAverageTime, now));
    return element;
}

std::string Status::GetAsXmlString() const {
    std::unique_ptr<TiXmlElement> element(MakeNewXmlElement());
    return XmlHelper::GetAsString(element.get());
}

}  // namespace VN_Sample
