// The Connection header of every kind of reply tells the client what the
// server does with the connection: a client that takes "keep-alive" at its
// word sends its next request on it.
#include <gtest/gtest.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "storage/data_record.h"
#include "web_server_fixture.h"

namespace {

class WebConnectionHeaderTest : public VN_Test::WebServerTest {
protected:
    void SetUp() override {
        VN_Sample::DataServer::pDataRecord = &record;
        StartServer();
    }

    VN_Sample::DataRecord record;
};

// The value of a header of the reply's head, "" without it.
std::string Header(const std::string& head, const char* name) {
    const std::string mark = std::string("\r\n") + name + ":";
    for (size_t at = head.find("\r\n"); at != std::string::npos; at = head.find("\r\n", at + 2)) {
        if (strncasecmp(head.c_str() + at, mark.c_str(), mark.size()) != 0) continue;
        size_t start = at + mark.size();
        while (start < head.size() && head[start] == ' ') ++start;
        return head.substr(start, head.find("\r\n", start) - start);
    }
    return "";
}

// One whole reply (head and Content-Length body); "" when the connection
// ended before one came.
std::string ReadReply(int fd) {
    std::string data;
    for (;;) {
        const size_t headEnd = data.find("\r\n\r\n");
        if (headEnd != std::string::npos) {
            const size_t length = std::strtoul(Header(data.substr(0, headEnd), "Content-Length").c_str(), nullptr, 10);
            if (data.size() >= headEnd + 4 + length) return data.substr(0, headEnd + 4 + length);
        }
        pollfd ready{fd, POLLIN, 0};
        char buffer[4096];
        if (poll(&ready, 1, 30000) != 1) return "";
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) return "";
        data.append(buffer, static_cast<size_t>(got));
    }
}

// Whether the server ends the connection (rather than waiting for another request).
bool Closed(int fd) {
    pollfd ready{fd, POLLIN, 0};
    char byte = 0;
    return poll(&ready, 1, 30000) == 1 && recv(fd, &byte, 1, 0) <= 0;
}

bool Send(int fd, const std::string& request) {
    return send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size());
}

TEST_F(WebConnectionHeaderTest, EveryKindOfReplyKeepsTheConnectionOnlyWhenItSaysSo) {
    // XML documents, a text report, an error reply and a static file.
    for (const char* uri : {"/user/status.xml", "/user/sample.xml", "/user/date_time.xml", "/user/about.txt",
                            "/admin/calibrate", "/index.html"}) {
        SCOPED_TRACE(uri);
        const int fd = VN_Test::ConnectLoopback(port, 5000);
        ASSERT_GE(fd, 0);
        const std::string request = std::string("GET ") + uri + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
        ASSERT_TRUE(Send(fd, request));
        const std::string reply = ReadReply(fd);
        ASSERT_FALSE(reply.empty());
        const std::string connection = Header(reply.substr(0, reply.find("\r\n\r\n")), "Connection");
        if (strcasecmp(connection.c_str(), "keep-alive") == 0) {
            EXPECT_TRUE(Send(fd, request));
            EXPECT_EQ(ReadReply(fd).rfind("HTTP/1.1 200", 0), 0u) << "a kept connection that answers nothing";
        } else {
            EXPECT_EQ(strcasecmp(connection.c_str(), "close"), 0) << reply;
            EXPECT_TRUE(Closed(fd));
        }
        close(fd);
    }
}

}  // namespace
