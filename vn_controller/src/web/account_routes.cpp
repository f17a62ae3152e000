#include <mutex>
#include <string>

#include "accounts/account_change.h"
#include "accounts/username_list.h"
#include "common/controller_mutexes.h"
#include "web/http_reply.h"
#include "web/route_handlers.h"
#include "web/settings_forms.h"

// The web accounts: their list, and one change per request. systemMutex keeps
// a change's read-modify-copy sequence whole against other changes and the
// console's resets.

namespace VN_Sample {

void ServeUsernameSettings(const WebRequest& request) {
    std::string xml;
    {
        std::lock_guard<std::mutex> lock(systemMutex);
        xml = MakeUsernameListXml();
    }
    SendXml(request.connection, xml);
}

void ReceiveUsername(const WebRequest& request) {
    std::string body;
    if (!ReadBody(request, body)) return;
    std::string refused;
    if (!body.empty()) {
        std::lock_guard<std::mutex> lock(systemMutex);
        refused = ChangeAccount(body);
    }
    // A refusal names the attribute; an accepted change answers the declaration alone.
    SendXml(request.connection, refused.empty() ? "" : "<Username refused=\"" + refused + "\" />");
}

}  // namespace VN_Sample
