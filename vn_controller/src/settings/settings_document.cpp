#include "settings/settings_document.h"

#include "common/controller_logs.h"
#include "common/xml_helper.h"

namespace VN_Sample {

namespace {

// Enough to recognise the value in the log, too little to flood it.
const size_t MaxLoggedValue = 40;
// Longer than any word compared, short enough for every page and file showing it.
const size_t MaxComparedWord = 16;

}  // namespace

TiXmlElement* SettingsRoot(TiXmlDocument& document) {
    TiXmlElement* root = document.RootElement();
    if (root == nullptr) {
        root = new TiXmlElement("Settings");
        document.LinkEndChild(root);
    }
    return root;
}

std::string SettingsText(TiXmlDocument& document) { return XmlHelper::GetAsString(&document); }

void ParseSettingsText(const std::string& xml, TiXmlDocument& document) {
    document.Parse(xml.c_str());
    // A half-parsed document would apply whatever came before the error.
    if (document.Error()) document.Clear();
}

void LogRefusedSetting(const char* element, const char* name, const std::string& value) {
    std::string shown = value.substr(0, MaxLoggedValue);
    for (char& c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) c = ' ';
    }
    ErrMsgLog.Writef("%s setting %s refused: \"%s\"%s\n", element, name, shown.c_str(),
                     value.size() > MaxLoggedValue ? "..." : "");
}

bool IsComparedWord(const std::string& word) { return word.size() <= MaxComparedWord; }

bool ReadChecked(const TiXmlElement& element, const char* name, bool (*accept)(const std::string&),
                 std::string* value) {
    const char* read = element.Attribute(name);
    if (read == nullptr) return false;
    if (!accept(read)) {
        LogRefusedSetting(element.Value(), name, read);
        return false;
    }
    *value = read;
    return true;
}

bool ReadPeriod(const TiXmlElement& element, const char* name, unsigned* period) {
    int read = 0;
    if (element.QueryIntAttribute(name, &read) != TIXML_SUCCESS || read < 0) return false;
    *period = static_cast<unsigned>(read);
    return true;
}

void AddWindow(TiXmlElement* parent, int start, int stop) {
    auto* startTime = new TiXmlElement("StartTime");
    DataSampler::SetElementTimeOfDay(startTime, start);
    parent->LinkEndChild(startTime);
    auto* stopTime = new TiXmlElement("StopTime");
    DataSampler::SetElementTimeOfDay(stopTime, stop);
    parent->LinkEndChild(stopTime);
}

void ReadWindowEdge(const TiXmlElement& parent, const char* name, DataSampler& sampler,
                    int (DataSampler::*setter)(int)) {
    const int tod = DataSampler::GetElementTimeOfDay(parent.FirstChildElement(name));
    if (tod >= 0) (sampler.*setter)(tod);
}

}  // namespace VN_Sample
