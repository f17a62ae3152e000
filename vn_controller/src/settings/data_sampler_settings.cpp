#include <climits>

#include "common/xml_helper.h"
#include "schedule/data_sampler.h"
#include "settings/settings_document.h"
#include "common/quiet_command.h"
#include "utilities.h"

namespace VN_Sample {

namespace {

// A field separator, not a text: anything longer is a mistake.
constexpr size_t MaxDelimLength = 4;

// A line break would split every data file line in two.
bool IsSafeDelimiter(const std::string& delim) {
    return !delim.empty() && delim.size() <= MaxDelimLength && delim.find_first_of("\r\n") == std::string::npos;
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
    root->LinkEndChild(MakeNewTimeSettingsXmlElement());
    root->LinkEndChild(MakeNewCurvesXmlElement());
    root->LinkEndChild(MakeNewNetworkXmlElement());
    return 0;
}

int DataSampler::GetUserSettings(std::string& xml) {
    TiXmlDocument document;
    GetUserSettings(document);
    xml = SettingsText(document);
    return 0;
}

int DataSampler::SetUserSettings(std::string file) {
    TiXmlDocument document;
    if (!document.LoadFile(file)) return ErrSettingsFile;
    return SetUserSettings(document);
}

int DataSampler::SetUserSettingsXml(const std::string& xml) {
    TiXmlDocument document;
    ParseSettingsText(xml, document);
    return SetUserSettings(document);
}

int DataSampler::SetUserSettings(TiXmlDocument& document) {
    TiXmlElement* root = document.RootElement();
    if (root == nullptr) return ErrNoRoot;
    // Each element stands alone: a refused or missing one keeps its settings
    // and does not stop the others.
    SetNetworkSettings(document);
    SetTimeSettings(document, false);
    SetCurveSettings(document);
    if (const TiXmlElement* sampler = root->FirstChildElement("Sampler")) SetSamplerSettings(*sampler);
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

}  // namespace VN_Sample
