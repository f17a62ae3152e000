#include "web_client.h"

#include <curl/curl.h>
#include <strings.h>

#include <cstdlib>
#include <memory>

namespace VN_Test {

namespace {

size_t Append(char* data, size_t size, size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

long long ContentLength(const std::string& headers) {
    size_t line = 0;
    while (line < headers.size()) {
        size_t end = headers.find("\r\n", line);
        if (end == std::string::npos) end = headers.size();
        const std::string text = headers.substr(line, end - line);
        if (strncasecmp(text.c_str(), "Content-Length:", 15) == 0) return std::atoll(text.c_str() + 15);
        line = end + 2;
    }
    return -1;
}

}  // namespace

HttpReply_T Http(int port, const HttpRequest_T& request) {
    HttpReply_T reply;
    std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + request.uri;
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT_MS, request.timeoutMs);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, Append);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &reply.body);
    curl_easy_setopt(curl.get(), CURLOPT_HEADERFUNCTION, Append);
    curl_easy_setopt(curl.get(), CURLOPT_HEADERDATA, &reply.headers);
    if (!request.user.empty()) {
        curl_easy_setopt(curl.get(), CURLOPT_HTTPAUTH, CURLAUTH_DIGEST);
        curl_easy_setopt(curl.get(), CURLOPT_USERNAME, request.user.c_str());
        curl_easy_setopt(curl.get(), CURLOPT_PASSWORD, request.password.c_str());
    }
    if (request.post) {
        curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDS, request.body.c_str());
        curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDSIZE, static_cast<long>(request.body.size()));
    }
    curl_slist* headers = nullptr;
    for (const std::string& header : request.headers) headers = curl_slist_append(headers, header.c_str());
    std::unique_ptr<curl_slist, void (*)(curl_slist*)> headerList(headers, curl_slist_free_all);
    if (headers != nullptr) curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, headers);
    reply.curlCode = curl_easy_perform(curl.get());
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &reply.status);
    // Digest answers 401 first; the last reply's headers count.
    const size_t last = reply.headers.rfind("HTTP/");
    if (last != std::string::npos) reply.headers.erase(0, last);
    reply.contentLength = ContentLength(reply.headers);
    return reply;
}

HttpReply_T Get(int port, const std::string& uri, const std::string& user, const std::string& password) {
    HttpRequest_T request;
    request.uri = uri;
    request.user = user;
    request.password = password;
    return Http(port, request);
}

HttpReply_T Post(int port, const std::string& uri, const std::string& body, const std::string& user,
                 const std::string& password) {
    HttpRequest_T request;
    request.uri = uri;
    request.user = user;
    request.password = password;
    request.post = true;
    request.body = body;
    return Http(port, request);
}

}  // namespace VN_Test
