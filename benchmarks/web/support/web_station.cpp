#include "web_station.h"

#include <civetweb.h>

#include "accounts/password_files.h"
#include "accounts/web_realm.h"
#include "web_client.h"

namespace VN_Bench {

namespace {

// As the account change writes them: the administrator in both files.
void AddAccount(const std::string& file, const char* name, const char* password) {
    mg_modify_passwords_file(file.c_str(), VN_Sample::WebRealm, name, password);
}

}  // namespace

WebStation::WebStation(const std::string& consoleInput, int curveInterval) {
    station.Patch("settings.xml", "<Curves interval=\"120\"",
                  "<Curves interval=\"" + std::to_string(curveInterval) + "\"");
    httpPort = station.HttpPort();
    AddAccount(station.File(VN_Sample::AdminPasswordFile), Admin, AdminPassword);
    AddAccount(station.File(VN_Sample::UserPasswordFile), Admin, AdminPassword);
    AddAccount(station.File(VN_Sample::UserPasswordFile), User, UserPassword);
    controller = std::make_unique<VN_Test::ChildProcess>(VN_CONTROLLER_PATH, station.Path(),
                                                         std::vector<std::string>{}, consoleInput);
    // The unit program starts within the offline retry; the record fills
    // with the first samples after that.
    ready = httpPort > 0 && VN_Test::WaitUntil(
                                [&] {
                                    const VN_Test::HttpReply_T reply =
                                        VN_Test::Get(httpPort, "/user/sample.xml", User, UserPassword);
                                    return reply.status == 200 && reply.body.find("id=\"4\"") != std::string::npos;
                                },
                                120000);
}

bool WebStation::WaitOnline() const {
    return VN_Test::WaitUntil([&] { return Output().find("Online DS=0") != std::string::npos; }, 120000);
}

}  // namespace VN_Bench
