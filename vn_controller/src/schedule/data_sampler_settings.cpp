#include <climits>
#include <cmath>

#include "common/controller_logs.h"
#include "common/quiet_command.h"
#include "common/xml_helper.h"
#include "schedule/data_sampler.h"
#include "utilities.h"

namespace VN_Sample {

namespace {

// How the web forms say "no limit given".
constexpr double NoIrradiance = -999.0;
// A field separator, not a text: anything longer is a mistake.
constexpr size_t MaxDelimLength = 4;

// A line break would split every data file line in two.
bool IsSafeDelimiter(const std::string& delim) {
    return !delim.empty() && delim.size() <= MaxDelimLength && delim.find_first_of("\r\n") == std::string::npos;
}

// The attribute's text when present and accepted; a refused one is logged and
// changes nothing.
bool ReadChecked(const TiXmlElement& element, const char* name, bool (*accept)(const std::string&),
                 std::string* value) {
    const char* read = element.Attribute(name);
    if (read == nullptr) return false;
    if (!accept(read)) {
        ErrMsgLog.Writef("Setting %s refused\n", name);
        return false;
    }
    *value = read;
    return true;
}

// Periods are unsigned: a negative one would become a period of many years.
bool ReadPeriod(const TiXmlElement& element, const char* name, unsigned* period) {
    int read = 0;
    if (element.QueryIntAttribute(name, &read) != TIXML_SUCCESS || read < 0) return false;
    *period = static_cast<unsigned>(read);
    return true;
}

bool ReadIrradiance(const TiXmlElement& element, const char* name, double* value) {
    double read = 0.0;
    if (element.QueryDoubleAttribute(name, &read) != TIXML_SUCCESS) return false;
    if (!std::isfinite(read) || read == NoIrradiance) return false;
    *value = read;
    return true;
}

// A window edge is applied only when its child holds a time of day.
void ReadWindowEdge(const TiXmlElement& parent, const char* name, DataSampler& sampler,
                    int (DataSampler::*setter)(int)) {
    const int tod = DataSampler::GetElementTimeOfDay(parent.FirstChildElement(name));
    if (tod >= 0) (sampler.*setter)(tod);
}

void AddWindow(TiXmlElement* parent, int start, int stop) {
    auto* startTime = new TiXmlElement("StartTime");
    DataSampler::SetElementTimeOfDay(startTime, start);
    parent->LinkEndChild(startTime);
    auto* stopTime = new TiXmlElement("StopTime");
    DataSampler::SetElementTimeOfDay(stopTime, stop);
    parent->LinkEndChild(stopTime);
}

// The element the settings are appended to; a bare document gets "Settings".
TiXmlElement* SettingsRoot(TiXmlDocument& document) {
    TiXmlElement* root = document.RootElement();
    if (root == nullptr) {
        root = new TiXmlElement("Settings");
        document.LinkEndChild(root);
    }
    return root;
}

}  // namespace

int DataSampler::GetElementTimeOfDay(const TiXmlElement* element) {
    if (element == nullptr) return -1;
    int hour = -1;
    int min = -1;
    int sec = -1;
    if (element->QueryIntAttribute("hour", &hour) != TIXML_SUCCESS ||
        element->QueryIntAttribute("min", &min) != TIXML_SUCCESS ||
        element->QueryIntAttribute("sec", &sec) != TIXML_SUCCESS) {
        return -1;
    }
    if (hour < 0 || min < 0 || sec < 0) return -1;
    // Beyond this the time of day would wrap round to a harmless-looking value.
    if (hour * 3600LL + min * 60LL + sec > INT_MAX) return -1;
    return VN_Lib::make_tod(hour, min, sec);
}

void DataSampler::SetElementTimeOfDay(TiXmlElement* element, int tod) {
    element->SetAttribute("hour", tod / 3600);
    element->SetAttribute("min", tod % 3600 / 60);
    element->SetAttribute("sec", tod % 60);
}

int DataSampler::GetUserSettings(TiXmlDocument& document) {
    TiXmlElement* root = SettingsRoot(document);
    root->LinkEndChild(MakeNewSamplerXmlElement());
    root->LinkEndChild(MakeNewCurvesXmlElement());
    return 0;
}

int DataSampler::SetUserSettings(std::string file) {
    TiXmlDocument document;
    if (!document.LoadFile(file)) return ErrSettingsFile;
    return SetUserSettings(document);
}

int DataSampler::SetUserSettings(TiXmlDocument& document) {
    TiXmlElement* root = document.RootElement();
    if (root == nullptr) return ErrNoRoot;
    SetCurveSettings(document);
    if (const TiXmlElement* sampler = root->FirstChildElement("Sampler")) SetSamplerSettings(*sampler);
    return 0;
}

int DataSampler::GetCurveSettings(TiXmlDocument& document) {
    SettingsRoot(document)->LinkEndChild(MakeNewCurvesXmlElement());
    return 0;
}

int DataSampler::SetCurveSettings(TiXmlDocument& document) {
    TiXmlElement* root = document.RootElement();
    if (root == nullptr) return ErrNoRoot;
    const TiXmlElement* curves = root->FirstChildElement("Curves");
    if (curves == nullptr) return 0;
    unsigned interval = 0;
    if (ReadPeriod(*curves, "interval", &interval)) SetCurveInterval(interval);
    double irradiance = 0.0;
    if (ReadIrradiance(*curves, "irrad_min", &irradiance)) SetIrradianceMin(irradiance);
    if (ReadIrradiance(*curves, "irrad_max", &irradiance)) SetIrradianceMax(irradiance);
    if (const char* filter = curves->Attribute("irrad_filter_enabled")) {
        irradFilterEnabled = std::string(filter) == "yes";
    }
    std::string path;
    if (ReadChecked(*curves, "curve_path", IsPlainWord, &path)) SetCurvePath(path);
    ReadWindowEdge(*curves, "StartTime", *this, &DataSampler::SetCurveStartTime);
    ReadWindowEdge(*curves, "StopTime", *this, &DataSampler::SetCurveStopTime);
    return 0;
}

void DataSampler::SetSamplerSettings(const TiXmlElement& sampler) {
    unsigned period = 0;
    if (ReadPeriod(sampler, "sample_period", &period) && period != samplePeriod) SetSamplingPeriod(period);
    if (ReadPeriod(sampler, "average_period", &period) && period != averagePeriod) SetAveragePeriod(period);
    ReadChecked(sampler, "delim", IsSafeDelimiter, &delim);
    std::string path;
    if (ReadChecked(sampler, "local_path", IsPlainWord, &path)) SetLocalVndPath(path);
    if (ReadChecked(sampler, "backup_path", IsPlainWord, &path)) SetBackupVndPath(path);
    ReadWindowEdge(sampler, "StartTime", *this, &DataSampler::SetStoreStartTime);
    ReadWindowEdge(sampler, "StopTime", *this, &DataSampler::SetStoreStopTime);
}

TiXmlElement* DataSampler::MakeNewSamplerXmlElement() const {
    auto* element = new TiXmlElement("Sampler");
    element->SetAttribute("sample_period", static_cast<int>(samplePeriod));
    element->SetAttribute("average_period", static_cast<int>(averagePeriod));
    element->SetAttribute("delim", delim);
    element->SetAttribute("local_path", localPath);
    element->SetAttribute("backup_path", backupPath);
    AddWindow(element, storeStartTime, storeStopTime);
    return element;
}

TiXmlElement* DataSampler::MakeNewCurvesXmlElement() const {
    auto* element = new TiXmlElement("Curves");
    element->SetAttribute("interval", static_cast<int>(curveInterval));
    XmlHelper::SetRealAttribute(element, "irrad_min", irradMin);
    XmlHelper::SetRealAttribute(element, "irrad_max", irradMax);
    element->SetAttribute("irrad_filter_enabled", irradFilterEnabled ? "yes" : "no");
    element->SetAttribute("curve_path", curvePath);
    AddWindow(element, curveStartTime, curveStopTime);
    return element;
}

}  // namespace VN_Sample
