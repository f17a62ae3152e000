#ifndef VN_TEST_WEB_CLIENT_H
#define VN_TEST_WEB_CLIENT_H

#include <string>
#include <vector>

namespace VN_Test {

// One HTTP request to 127.0.0.1 with libcurl, digest credentials when a user
// is given.
struct HttpRequest_T {
    std::string uri;
    std::string user;
    std::string password;
    bool post = false;
    std::string body;
    std::vector<std::string> headers;  // "Name: value"
    long timeoutMs = 30000;
};

struct HttpReply_T {
    int curlCode = 0;     // 0, or the failure (52: nothing was answered)
    long status = 0;
    std::string headers;  // as received
    std::string body;
    // The Content-Length header's value; -1 without one.
    long long contentLength = -1;
};

HttpReply_T Http(int port, const HttpRequest_T& request);
HttpReply_T Get(int port, const std::string& uri, const std::string& user = "", const std::string& password = "");
HttpReply_T Post(int port, const std::string& uri, const std::string& body, const std::string& user = "",
                 const std::string& password = "");

}  // namespace VN_Test

#endif
