#ifndef VN_CONTROLLER_REQUEST_BODY_H
#define VN_CONTROLLER_REQUEST_BODY_H

#include <string>

struct mg_connection;

namespace VN_Sample {

// Largest request body taken; settings documents are a few kilobytes.
inline constexpr long long MaxRequestBody = 1024 * 1024;

// The body of a POST with a Content-Length, up to its first NUL byte; the
// empty text for anything else (a GET to a receiver is a POST without body).
// 0, or the HTTP status to refuse the request with: 413 for a body above
// MaxRequestBody (nothing is read), 400 for a Content-Length that is no plain
// decimal number or a body shorter than announced. On refusal body is empty.
int GetPostData(std::string& body, mg_connection* connection);

}  // namespace VN_Sample

#endif
