// Arbitrary requests into the controller's web routes: the real server on a
// free loopback port, in this process, over the shipped station's model. An
// input is a flags byte (bit 0: POST; bits 1-2: administrator, user or no
// credentials), the path and query up to the first line feed, then the body.
#include <civetweb.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "accounts/password_files.h"
#include "accounts/web_realm.h"
#include "common/controller_flags.h"
#include "fuzz_controller.h"
#include "fuzz_support.h"
#include "web/data_server.h"
#include "web/start_gate.h"
#include "web_client.h"

namespace {

const char* const Admin = "admin";
const char* const AdminPassword = "a-secret";
const char* const User = "viewer";
const char* const UserPassword = "u-secret";

int FreeLoopbackPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    struct sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::abort();
    }
    close(fd);
    return ntohs(address.sin_port);
}

// An account change may have removed them; every input starts with both.
void WriteAccounts() {
    std::filesystem::remove(VN_Sample::PasswordFilePath(VN_Sample::AdminPasswordFile));
    std::filesystem::remove(VN_Sample::PasswordFilePath(VN_Sample::UserPasswordFile));
    for (const char* file : {VN_Sample::AdminPasswordFile, VN_Sample::UserPasswordFile}) {
        mg_modify_passwords_file(VN_Sample::PasswordFilePath(file).c_str(), VN_Sample::WebRealm, Admin,
                                 AdminPassword);
    }
    mg_modify_passwords_file(VN_Sample::PasswordFilePath(VN_Sample::UserPasswordFile).c_str(),
                             VN_Sample::WebRealm, User, UserPassword);
}

int ServerPort() {
    static const int port = [] {
        VN_Fuzz::Controller_T& controller = VN_Fuzz::Controller();
        curl_global_init(CURL_GLOBAL_DEFAULT);
        WriteAccounts();
        VN_Sample::ServerOptions_T options;
        const int free = FreeLoopbackPort();
        options.listeningPorts = "127.0.0.1:" + std::to_string(free);
        options.documentRoot = VN_Fuzz::WorkDir() + "/web_site";
        options.workerThreads = 2;
        // Offline units never answer a curve run: do not wait 10 s for each.
        options.curveWaitBaseMs = 20;
        options.curveWaitPerCurveMs = 5;
        // Lives until the process ends, as the controller's server does.
        auto* server = new VN_Sample::DataServer(controller.sampler, controller.system, options);
        if (!server->Running()) std::abort();
        VN_Sample::OpenWebRoutes();
        return free;
    }();
    return port;
}

// Bytes a URL cannot carry as they are go percent-encoded; the server decodes them.
std::string UrlTarget(const std::string& raw) {
    static const char* const Hex = "0123456789ABCDEF";
    std::string target;
    for (char c : raw) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || std::string("/?&=%._-").find(c) != std::string::npos) {
            target.push_back(c);
        } else {
            target += {'%', Hex[byte >> 4], Hex[byte & 0xF]};
        }
    }
    if (target.empty() || target[0] != '/') target.insert(target.begin(), '/');
    return target;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const int port = ServerPort();
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t lineEnd = text.find('\n');

    VN_Test::HttpRequest_T request;
    request.uri = UrlTarget(text.substr(0, lineEnd));
    request.post = (data[0] & 1) != 0;
    if (lineEnd != std::string::npos) request.body = text.substr(lineEnd + 1);
    switch ((data[0] >> 1) & 3) {
        case 0: request.user = Admin; request.password = AdminPassword; break;
        case 1: request.user = User; request.password = UserPassword; break;
        default: break;
    }
    request.timeoutMs = 20000;
    const VN_Test::HttpReply_T reply = VN_Test::Http(port, request);
    // A request the server does not answer at all is a fault of the server's side.
    if (reply.curlCode != 0 && reply.curlCode != 52) std::abort();

    GlobalResetFlag = false;
    GlobalCalModeOn = false;
    SaveUserSettingsFlag = false;
    if (request.uri.find("username") != std::string::npos) WriteAccounts();
    return 0;
}
