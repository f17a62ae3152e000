#include "web/settings_forms.h"

#include <mutex>

#include "acquisition/data_source.h"
#include "common/controller_flags.h"
#include "common/controller_mutexes.h"
#include "common/main_loop_wake.h"
#include "web/data_server.h"
#include "web/http_reply.h"
#include "web/request_body.h"

namespace VN_Sample {

bool ReadBody(const WebRequest& request, std::string& body) {
    const int refusal = GetPostData(body, request.connection);
    if (refusal == 0) return true;
    SendError(request.connection, refusal, refusal == 413 ? "Request body too large" : "Bad request body");
    return false;
}

void ServeSettings(const WebRequest& request, const SettingsGetter& get) {
    std::string xml;
    {
        std::lock_guard<std::mutex> lock(systemMutex);
        get(request.server, xml);
    }
    SendXml(request.connection, xml);
}

void ReceiveSettings(const WebRequest& request, SettingsForm form, bool ioAccess, const SettingsGetter& get,
                     const SettingsSetter& set) {
    if (ioAccess) DataSource::EnableIoPorts();
    std::string body;
    if (!ReadBody(request, body)) return;
    std::string reply;
    if (form == AlwaysSave || !body.empty()) {
        std::lock_guard<std::mutex> lock(systemMutex);
        if (!body.empty()) set(request.server, body);
        SaveUserSettingsFlag = true;
        // Also for a changed schedule: the loop's sleep was reckoned from the old one.
        WakeMainLoop();
        get(request.server, reply);
    }
    SendXml(request.connection, reply);
}

}  // namespace VN_Sample
