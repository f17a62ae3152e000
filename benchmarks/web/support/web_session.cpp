#include "web_session.h"

#include <curl/curl.h>

namespace VN_Bench {

WebSession::WebSession(int port, const std::string& user_, const std::string& password_)
    : curl(curl_easy_init()), base("http://127.0.0.1:" + std::to_string(port)), user(user_), password(password_) {
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 60000L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, TakeBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, TakeHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_DIGEST);
    curl_easy_setopt(curl, CURLOPT_USERNAME, user.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, password.c_str());
}

WebSession::~WebSession() { curl_easy_cleanup(curl); }

long WebSession::Get(const std::string& uri) {
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    return Perform(uri);
}

long WebSession::Post(const std::string& uri, const std::string& content) {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(content.size()));
    curl_easy_setopt(curl, CURLOPT_COPYPOSTFIELDS, content.c_str());
    return Perform(uri);
}

long WebSession::Perform(const std::string& uri) {
    body.clear();
    const std::string url = base + uri;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    long status = 0;
    long connects = 0;
    const CURLcode result = curl_easy_perform(curl);
    if (result == CURLE_OK) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(curl, CURLINFO_NUM_CONNECTS, &connects);
    ++requests;
    connections += connects;
    if (status != 200) {
        ++failures;
        lastFailure = result == CURLE_OK ? "status " + std::to_string(status) : "curl " + std::to_string(result);
    }
    return status;
}

size_t WebSession::TakeBody(char* data, size_t size, size_t count, void* session) {
    static_cast<WebSession*>(session)->body.append(data, size * count);
    return size * count;
}

size_t WebSession::TakeHeader(char* data, size_t size, size_t count, void* session) {
    if (size * count >= 5 && std::string(data, 5) == "HTTP/") ++static_cast<WebSession*>(session)->replies;
    return size * count;
}

}  // namespace VN_Bench
