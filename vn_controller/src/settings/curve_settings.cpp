#include <cmath>

#include "common/quiet_command.h"
#include "common/xml_helper.h"
#include "schedule/data_sampler.h"
#include "settings/settings_document.h"

namespace VN_Sample {

namespace {

// How the web forms say "no limit given".
constexpr double NoIrradiance = -999.0;

bool ReadIrradiance(const TiXmlElement& element, const char* name, double* value) {
    double read = 0.0;
    if (element.QueryDoubleAttribute(name, &read) != TIXML_SUCCESS) return false;
    if (!std::isfinite(read) || read == NoIrradiance) return false;
    *value = read;
    return true;
}

}  // namespace

int DataSampler::GetCurveSettings(TiXmlDocument& document) {
    SettingsRoot(document)->LinkEndChild(MakeNewCurvesXmlElement());
    return 0;
}

int DataSampler::GetCurveSettings(std::string& xml) {
    TiXmlDocument document;
    GetCurveSettings(document);
    xml = SettingsText(document);
    return 0;
}

int DataSampler::SetCurveSettings(const std::string& xml) {
    TiXmlDocument document;
    ParseSettingsText(xml, document);
    return SetCurveSettings(document);
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
