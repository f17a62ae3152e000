#include "web_server_fixture.h"

#include <civetweb.h>
#include <curl/curl.h>
#include <sys/stat.h>

#include "accounts/password_files.h"
#include "accounts/web_realm.h"
#include "common/controller_flags.h"
#include "web/start_gate.h"

namespace VN_Test {

namespace {

void ClearFlags() {
    GlobalResetFlag = false;
    GlobalCalModeOn = false;
    SaveUserSettingsFlag = false;
}

void AddEntry(const char* file, const char* name, const char* password) {
    mg_modify_passwords_file(VN_Sample::PasswordFilePath(file).c_str(), VN_Sample::WebRealm, name, password);
}

}  // namespace

WebServerTest::WebServerTest() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    mkdir(dir.File("web_site").c_str(), 0755);
    WriteFile(dir.File("web_site/index.html"), "<html><title>station</title></html>\n");
    ClearFlags();
}

WebServerTest::~WebServerTest() {
    server.reset();
    VN_Sample::DataServer::pDataRecord = nullptr;
    ClearFlags();
}

void WebServerTest::AddAccounts() {
    AddEntry(VN_Sample::AdminPasswordFile, Admin, AdminPassword);
    AddEntry(VN_Sample::UserPasswordFile, Admin, AdminPassword);
    AddEntry(VN_Sample::UserPasswordFile, User, UserPassword);
}

VN_Sample::ServerOptions_T WebServerTest::Options() {
    VN_Sample::ServerOptions_T options;
    options.workerThreads = 4;
    return options;
}

void WebServerTest::StartServer(VN_Sample::ServerOptions_T options) {
    port = FreeTcpPort();
    options.listeningPorts = "127.0.0.1:" + std::to_string(port);
    options.documentRoot = dir.File("web_site");
    server = std::make_unique<VN_Sample::DataServer>(sampler, system, options);
    ASSERT_TRUE(server->Running());
    // These tests set up the data system themselves; nothing is left to load.
    VN_Sample::OpenWebRoutes();
}

}  // namespace VN_Test
