#include "web/same_origin.h"

#include <strings.h>

#include <string>

namespace VN_Sample {

namespace {

struct Authority_T {
    std::string name;
    std::string port;
};

// "name[:port]" or "[v6]:port"; the port defaults to the scheme's.
Authority_T SplitAuthority(const std::string& text, const char* defaultPort) {
    Authority_T authority{text, defaultPort};
    const size_t bracket = text.rfind(']');
    const size_t colon = text.rfind(':');
    if (colon != std::string::npos && (bracket == std::string::npos || colon > bracket)) {
        authority.name = text.substr(0, colon);
        authority.port = text.substr(colon + 1);
    }
    return authority;
}

}  // namespace

bool SameOrigin(const char* origin, const char* host) {
    if (origin == nullptr) return true;
    if (host == nullptr) return false;
    const std::string text(origin);
    const size_t separator = text.find("://");
    if (separator == std::string::npos) return false;  // "null" and the like
    const std::string scheme = text.substr(0, separator);
    const char* defaultPort = strcasecmp(scheme.c_str(), "https") == 0 ? "443" : "80";
    const Authority_T from = SplitAuthority(text.substr(separator + 3), defaultPort);
    const Authority_T to = SplitAuthority(host, "80");
    return !from.name.empty() && strcasecmp(from.name.c_str(), to.name.c_str()) == 0 && from.port == to.port;
}

}  // namespace VN_Sample
