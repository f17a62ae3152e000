#ifndef VN_TEST_WEB_SERVER_FIXTURE_H
#define VN_TEST_WEB_SERVER_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "acquisition/data_system.h"
#include "schedule/data_sampler.h"
#include "test_support.h"
#include "web/data_server.h"
#include "web_client.h"

namespace VN_Test {

// A web server on a free loopback port, working in a temporary folder (its
// password files, data and shell journal) with its own sampler and data
// system. The posted-request flags are cleared before and after.
class WebServerTest : public ::testing::Test {
protected:
    static constexpr const char* Admin = "admin";
    static constexpr const char* AdminPassword = "a-secret";
    static constexpr const char* User = "viewer";
    static constexpr const char* UserPassword = "u-secret";

    WebServerTest();
    ~WebServerTest() override;

    // An administrator (in both files) and a user, as the account change writes them.
    void AddAccounts();
    void StartServer(VN_Sample::ServerOptions_T options = Options());
    static VN_Sample::ServerOptions_T Options();

    HttpReply_T AdminGet(const std::string& uri) { return Get(port, uri, Admin, AdminPassword); }
    HttpReply_T AdminPost(const std::string& uri, const std::string& body) {
        return Post(port, uri, body, Admin, AdminPassword);
    }

    TempDir dir;
    ScopedWorkingDir workingDir{dir.Path()};
    VN_Sample::DataSystem system;
    VN_Sample::DataSampler sampler;
    int port = 0;
    std::unique_ptr<VN_Sample::DataServer> server;
};

}  // namespace VN_Test

#endif
