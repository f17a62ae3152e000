#include "common/xml_helper.h"

#include <cstdio>
#include <ctime>

namespace VN_Sample {

namespace {

std::string Print(const TiXmlNode& node) {
    TiXmlPrinter printer;
    printer.SetIndent("    ");
    printer.SetLineBreak("\n");
    node.Accept(&printer);
    return printer.Str();
}

}  // namespace

TiXmlElement* XmlHelper::AddXmlElement(TiXmlElement* parent, const char* name, const char* text) {
    auto* element = new TiXmlElement(name);
    element->LinkEndChild(new TiXmlText(text != nullptr ? text : ""));
    parent->LinkEndChild(element);
    return element;
}

TiXmlElement* XmlHelper::GetTextElement(TiXmlElement* parent, const char* name, std::string& out) {
    out.clear();
    TiXmlElement* element = parent != nullptr ? parent->FirstChildElement(name) : nullptr;
    if (element != nullptr && element->GetText() != nullptr) out = element->GetText();
    return element;
}

void XmlHelper::GetSafeStringAtrtribute(TiXmlElement* element, const char* attribute, std::string& out) {
    const char* value = element != nullptr ? element->Attribute(attribute) : nullptr;
    if (value != nullptr) out = value;
}

TiXmlElement* XmlHelper::GetRootElement(TiXmlDocument* document) {
    return document != nullptr ? document->FirstChildElement() : nullptr;
}

TiXmlElement* XmlHelper::GetNamedChildElement(TiXmlDocument* document, std::string& name) {
    return document != nullptr ? document->FirstChildElement(name.c_str()) : nullptr;
}

TiXmlDocument* XmlHelper::MakeNewXmlDocument(std::string file_name) {
    auto* document = new TiXmlDocument(file_name.c_str());
    document->LoadFile();
    return document;
}

TiXmlElement* XmlHelper::MakeNewDateTimeAsXmlElement(time_t when) {
    struct tm local = {};
    localtime_r(&when, &local);
    auto* element = new TiXmlElement("Date_Time");
    element->SetAttribute("year", local.tm_year);
    element->SetAttribute("month", local.tm_mon + 1);
    element->SetAttribute("day", local.tm_mday);
    element->SetAttribute("hour", local.tm_hour);
    element->SetAttribute("min", local.tm_min);
    element->SetAttribute("sec", local.tm_sec);
    return element;
}

std::string XmlHelper::GetAsString(TiXmlDocument* document) { return document != nullptr ? Print(*document) : ""; }

std::string XmlHelper::GetAsString(TiXmlElement* element) { return element != nullptr ? Print(*element) : ""; }

std::string XmlHelper::GetAsString2(TiXmlElement element) { return Print(element); }

bool XmlHelper::GetXmlIdList(std::string xml, std::vector<int>& ids) {
    ids.clear();
    TiXmlDocument document;
    document.Parse(xml.c_str());
    TiXmlElement* root = document.RootElement();
    if (document.Error() || root == nullptr) return false;
    for (TiXmlElement* id = root->FirstChildElement("Id"); id != nullptr; id = id->NextSiblingElement("Id")) {
        int value = 0;
        if (id->QueryIntAttribute("id", &value) == TIXML_SUCCESS) ids.push_back(value);
    }
    const char* points = root->Attribute("points");
    return points != nullptr && std::string(points) == "yes";
}

std::string XmlHelper::RealText(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%E", value);
    return text;
}

void XmlHelper::SetRealAttribute(TiXmlElement* element, const char* name, double value) {
    element->SetAttribute(name, RealText(value).c_str());
}

}  // namespace VN_Sample
