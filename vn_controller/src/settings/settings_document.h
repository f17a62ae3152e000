#ifndef VN_CONTROLLER_SETTINGS_DOCUMENT_H
#define VN_CONTROLLER_SETTINGS_DOCUMENT_H

#include <tinyxml.h>

#include <string>

#include "schedule/data_sampler.h"

// What the settings elements share: their root, their text forms, and
// reading values that must be checked before they are kept.
namespace VN_Sample {

// The element the settings are appended to; a bare document gets "Settings".
TiXmlElement* SettingsRoot(TiXmlDocument& document);

// The document printed as the settings texts are: four-space indent, "\n".
std::string SettingsText(TiXmlDocument& document);

// Parses the text into the document; text that does not parse leaves the
// document empty, so it is applied as a document without root.
void ParseSettingsText(const std::string& xml, TiXmlDocument& document);

// Logs to ErrMsgLog that the element's attribute was refused, with at most a
// short piece of the value and its control characters blanked: the value
// came from outside.
void LogRefusedSetting(const char* element, const char* name, const std::string& value);

// A word the settings only compare ("yes", "no"): any text, but short.
bool IsComparedWord(const std::string& word);

// The attribute's text when present and accepted; a refused one is logged and
// changes nothing.
bool ReadChecked(const TiXmlElement& element, const char* name, bool (*accept)(const std::string&),
                 std::string* value);

// A period attribute that is a whole number of seconds, 0 or more: a negative
// one would become a period of many years.
bool ReadPeriod(const TiXmlElement& element, const char* name, unsigned* period);

// The window's "StartTime" and "StopTime" children appended to parent.
void AddWindow(TiXmlElement* parent, int start, int stop);

// The window edge child `name` applied through setter when it holds a time of day.
void ReadWindowEdge(const TiXmlElement& parent, const char* name, DataSampler& sampler,
                    int (DataSampler::*setter)(int));

}  // namespace VN_Sample

#endif
