#ifndef VN_BENCH_WEB_SESSION_H
#define VN_BENCH_WEB_SESSION_H

#include <curl/curl.h>

#include <string>

namespace VN_Bench {

// One web client: a libcurl handle kept for all its requests, so it reuses a
// connection the server keeps open and answers the digest challenge once.
class WebSession {
public:
    WebSession(int port, const std::string& user, const std::string& password);
    ~WebSession();
    WebSession(const WebSession&) = delete;
    WebSession& operator=(const WebSession&) = delete;

    // GET of uri on 127.0.0.1; the last HTTP status, 0 when nothing came back.
    long Get(const std::string& uri);
    // POST of body to uri, as Get.
    long Post(const std::string& uri, const std::string& body);
    const std::string& Body() const { return body; }
    // Requests not answered 200, and how the last of them ended ("status 500",
    // "curl 52"); "" when none failed.
    long Failures() const { return failures; }
    const std::string& LastFailure() const { return lastFailure; }

    // Counted over every request so far.
    long Requests() const { return requests; }
    long Connections() const { return connections; }
    // HTTP replies received: a request answered 401 first counts two.
    long Replies() const { return replies; }

private:
    long Perform(const std::string& uri);
    static size_t TakeBody(char* data, size_t size, size_t count, void* session);
    static size_t TakeHeader(char* data, size_t size, size_t count, void* session);

    CURL* curl;
    const std::string base;
    const std::string user;
    const std::string password;
    std::string body;
    long failures = 0;
    std::string lastFailure;
    long requests = 0;
    long connections = 0;
    long replies = 0;
};

}  // namespace VN_Bench

#endif
