#include "web/request_body.h"

#include <civetweb.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace VN_Sample {

namespace {

const int BadRequest = 400;
const int TooLarge = 413;

// Digits only: "-1", "+5", " 5" or "5x" are no length.
bool ParseLength(const char* text, long long* length) {
    if (*text == '\0' || std::strspn(text, "0123456789") != std::strlen(text)) return false;
    errno = 0;
    *length = std::strtoll(text, nullptr, 10);
    return errno == 0;
}

}  // namespace

int GetPostData(std::string& body, mg_connection* connection) {
    body.clear();
    const mg_request_info* info = mg_get_request_info(connection);
    const char* lengthText = mg_get_header(connection, "Content-Length");
    if (info == nullptr || std::strcmp(info->request_method, "POST") != 0 || lengthText == nullptr) return 0;
    long long length = 0;
    if (!ParseLength(lengthText, &length)) return BadRequest;
    if (length > MaxRequestBody) return TooLarge;
    if (length == 0) return 0;

    std::vector<char> buffer(static_cast<size_t>(length));
    size_t received = 0;
    while (received < buffer.size()) {
        const int count = mg_read(connection, buffer.data() + received, buffer.size() - received);
        if (count <= 0) return BadRequest;
        received += static_cast<size_t>(count);
    }
    body.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
    return 0;
}

}  // namespace VN_Sample
