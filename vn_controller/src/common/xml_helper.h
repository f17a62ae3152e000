#ifndef VN_CONTROLLER_XML_HELPER_H
#define VN_CONTROLLER_XML_HELPER_H

#include <tinyxml.h>

#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace VN_Sample {

// The small XML toolkit of the controller's documents.
class XmlHelper {
public:
    // Appends <name>text</name> (a text child also when text is empty) to parent.
    static TiXmlElement* AddXmlElement(TiXmlElement* parent, const char* name, const char* text);
    // The first child `name`, with its text (empty when missing) in out; null when missing.
    static TiXmlElement* GetTextElement(TiXmlElement* parent, const char* name, std::string& out);
    // out = the attribute when present, else unchanged.
    static void GetSafeStringAtrtribute(TiXmlElement* element, const char* attribute, std::string& out);
    static TiXmlElement* GetRootElement(TiXmlDocument* document);
    static TiXmlElement* GetNamedChildElement(TiXmlDocument* document, std::string& name);
    // A document loaded from the file (check its Error()); the caller owns it.
    static TiXmlDocument* MakeNewXmlDocument(std::string file_name);
    // New "Date_Time" element of the local time of t ("year" counts from 1900).
    static TiXmlElement* MakeNewDateTimeAsXmlElement(time_t t);
    static std::string GetAsString(TiXmlDocument* document);
    static std::string GetAsString(TiXmlElement* element);
    static std::string GetAsString2(TiXmlElement element);
    // ids of the root's "Id" children; true when the root says points="yes".
    static bool GetXmlIdList(std::string xml, std::vector<int>& ids);

    // Real attributes are written as "%E" text (1.5 is "1.500000E+00").
    static std::string RealText(double value);
    static void SetRealAttribute(TiXmlElement* element, const char* name, double value);
};

}  // namespace VN_Sample

#endif
