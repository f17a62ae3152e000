// Requests a station must not act on: bodies it will not hold in memory,
// malformed lengths, and changes asked for by a page of another site.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "common/controller_flags.h"
#include "web_server_fixture.h"

using VN_Test::HttpReply_T;
using VN_Test::WebServerTest;

namespace {

// Without password files the station is open, so raw requests need no digest.
class OpenStationTest : public WebServerTest {
protected:
    void SetUp() override { StartServer(); }

    // The status line of the reply to a raw request (up to the first line end).
    std::string RawStatusLine(const std::string& request) {
        const int socket = VN_Test::ConnectLoopback(port, 10000);
        if (socket < 0) return "no connection";
        send(socket, request.data(), request.size(), MSG_NOSIGNAL);
        std::string reply;
        char buffer[512];
        ssize_t count = 0;
        while (reply.find("\r\n") == std::string::npos && (count = recv(socket, buffer, sizeof buffer, 0)) > 0)
            reply.append(buffer, static_cast<size_t>(count));
        close(socket);
        return reply.substr(0, reply.find("\r\n"));
    }
};

TEST_F(OpenStationTest, BodiesTooLargeOrWithoutAPlainLengthAreRefusedBeforeAnythingIsApplied) {
    struct Case_T {
        const char* length;
        const char* status;
    };
    const Case_T cases[] = {
        {"1048577", " 413 "},
        {"99999999999999999999", " 4"},  // too large for any integer
        {"-5", " 4"},
        {"12abc", " 4"},
    };
    for (const Case_T& item : cases) {
        SCOPED_TRACE(item.length);
        const std::string line = RawStatusLine(std::string("POST /admin/set_global_settings HTTP/1.1\r\n") +
                                               "Host: 127.0.0.1\r\nContent-Length: " + item.length +
                                               "\r\n\r\n<Settings/>");
        EXPECT_NE(line.find(item.status), std::string::npos) << line;
        EXPECT_FALSE(SaveUserSettingsFlag);
    }
    // The largest body taken is taken.
    const std::string body(1024 * 1024, ' ');
    EXPECT_EQ(VN_Test::Post(port, "/admin/set_global_settings", body).status, 200);
    EXPECT_TRUE(SaveUserSettingsFlag);
}

TEST_F(OpenStationTest, AdminRequestsFromAnotherSiteAreRefused) {
    const std::string self = "http://127.0.0.1:" + std::to_string(port);
    struct Case_T {
        const char* uri;
        std::string origin;  // empty: no Origin header
        long status;
    };
    const Case_T cases[] = {
        {"/admin/set_global_settings", "http://attacker.example", 403},
        {"/admin/set_global_settings", "null", 403},
        {"/admin/set_global_settings", "http://127.0.0.1:1", 403},
        {"/admin/set_global_settings", self, 200},
        {"/admin/set_global_settings", "", 200},
        {"/user/status.xml", "http://attacker.example", 200},
    };
    for (const Case_T& item : cases) {
        SCOPED_TRACE(item.uri + (" from " + item.origin));
        SaveUserSettingsFlag = false;
        VN_Test::HttpRequest_T request;
        request.uri = item.uri;
        request.post = true;
        if (!item.origin.empty()) request.headers.push_back("Origin: " + item.origin);
        EXPECT_EQ(VN_Test::Http(port, request).status, item.status);
        if (item.uri[1] == 'a') {
            EXPECT_EQ(SaveUserSettingsFlag, item.status == 200);
        }
    }
}

TEST_F(OpenStationTest, WithoutPasswordFilesNoCredentialsAreAsked) {
    EXPECT_EQ(VN_Test::Get(port, "/admin/global_settings.xml").status, 200);
    HttpReply_T page = VN_Test::Get(port, "/index.html");
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("station"), std::string::npos);
}

}  // namespace
