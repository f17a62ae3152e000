#ifndef VN_CONTROLLER_SETTINGS_FORMS_H
#define VN_CONTROLLER_SETTINGS_FORMS_H

#include <functional>
#include <string>

#include "web/web_request.h"

// The shared shapes of the settings routes. Getters and setters run under
// systemMutex; their error results are not reported (the reply shows the
// settings as they stand).

namespace VN_Sample {

using SettingsGetter = std::function<int(DataServer&, std::string&)>;
using SettingsSetter = std::function<int(DataServer&, const std::string&)>;

enum SettingsForm {
    // The setter with a posted document; the save flag set and the current
    // settings returned in any case.
    AlwaysSave,
    // Only a posted document is set, saved and answered; without one the
    // reply is the XML declaration alone.
    SaveWhenPosted,
};

// The current document, under systemMutex, sent as XML.
void ServeSettings(const WebRequest& request, const SettingsGetter& get);
// A settings receiver. ioAccess: the setter may reach a unit through this
// thread's I/O ports.
void ReceiveSettings(const WebRequest& request, SettingsForm form, bool ioAccess, const SettingsGetter& get,
                     const SettingsSetter& set);

// The request body, or false after answering a refused one.
bool ReadBody(const WebRequest& request, std::string& body);

}  // namespace VN_Sample

#endif
