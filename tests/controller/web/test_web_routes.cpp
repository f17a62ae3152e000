// The web routes behind digest authentication: who gets in, what a reply
// carries, and the requests that post a wish to the main loop.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/controller_flags.h"
#include "common/controller_mutexes.h"
#include "web_server_fixture.h"

using VN_Test::HttpReply_T;
using VN_Test::WebServerTest;

namespace {

const int NothingAnswered = 52;  // curl: the server closed without a reply
const char* const Declaration = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>";

struct RouteCase_T {
    const char* uri;
    bool admin;
    bool answers;  // false: the route writes nothing for a request without body
};

const RouteCase_T Routes[] = {
    {"/admin/reset", true, false},
    {"/user/about.txt", false, true},
    {"/user/status.xml", false, true},
    {"/user/sample.xml", false, true},
    {"/admin/sample_settings.xml", true, true},
    {"/admin/set_sample_settings", true, true},
    {"/admin/channel_settings.xml", true, true},
    {"/admin/set_channel_settings", true, true},
    {"/admin/curve_settings.xml", true, true},
    {"/admin/set_curve_settings", true, true},
    {"/admin/aux_input_settings.xml", true, true},
    {"/admin/set_aux_input_settings", true, true},
    {"/admin/temperature_settings.xml", true, true},
    {"/admin/set_temperature_settings", true, true},
    {"/admin/global_settings.xml", true, true},
    {"/admin/set_global_settings", true, true},
    {"/user/last_curves.xml", false, false},
    {"/admin/take_curves", true, false},
    {"/user/date_time.xml", false, true},
    {"/admin/date_time_settings.xml", true, true},
    {"/admin/set_date_time_settings", true, true},
    {"/admin/calibrate", true, true},
    {"/admin/save_calibration", true, true},
    {"/admin/load_calibration", true, true},
    {"/admin/cal_mode_off", true, true},
    {"/admin/cal_mode_on", true, true},
    {"/admin/restart_cal_report", true, true},
    {"/user/cal_report.xml", false, true},
    {"/user/cal_report.txt", false, true},
    {"/admin/all_loads_off", true, true},
    {"/admin/set_module_isc", true, true},
    {"/admin/network_settings.xml", true, true},
    {"/admin/set_network_settings", true, true},
    {"/admin/username_settings.xml", true, true},
    {"/admin/save_username", true, true},
};

class WebRoutesTest : public WebServerTest {
protected:
    void SetUp() override {
        AddAccounts();
        StartServer();
    }
};

TEST_F(WebRoutesTest, EveryRouteNeedsTheAccountOfItsArea) {
    ASSERT_EQ(sizeof Routes / sizeof Routes[0], 35u);
    for (const RouteCase_T& route : Routes) {
        SCOPED_TRACE(route.uri);
        EXPECT_EQ(VN_Test::Get(port, route.uri).status, 401);
        EXPECT_EQ(VN_Test::Get(port, route.uri, Admin, "wrong").status, 401);
        EXPECT_EQ(VN_Test::Get(port, route.uri, User, "wrong").status, 401);
        // A user may not enter the admin area; an administrator opens both.
        HttpReply_T asUser = VN_Test::Get(port, route.uri, User, UserPassword);
        if (route.admin) {
            EXPECT_EQ(asUser.status, 401);
        }
        HttpReply_T reply = AdminGet(route.uri);
        for (const HttpReply_T* served : {&reply, route.admin ? &reply : &asUser})
            EXPECT_EQ(served->curlCode, route.answers ? 0 : NothingAnswered);
        if (!route.answers) continue;
        EXPECT_EQ(reply.status, 200);
        EXPECT_EQ(reply.contentLength, static_cast<long long>(reply.body.size()));
    }
}

// The areas' digest check is case-sensitive, the route match is not.
TEST_F(WebRoutesTest, AnAreaSpelledInAnotherCaseReachesNoRoute) {
    for (const RouteCase_T& route : Routes) {
        std::string uri = route.uri;
        uri[1] = static_cast<char>(uri[1] - 'a' + 'A');
        SCOPED_TRACE(uri);
        EXPECT_EQ(VN_Test::Get(port, uri).status, 404);
    }
    EXPECT_FALSE(GlobalResetFlag);
}

TEST_F(WebRoutesTest, ResetMatchesWithoutItsQueryStringButNotWithATrailingSlash) {
    EXPECT_EQ(AdminGet("/admin/reset/").status, 404);
    EXPECT_FALSE(GlobalResetFlag);
    EXPECT_EQ(AdminGet("/admin/reset?now=1").curlCode, NothingAnswered);
    std::lock_guard<std::mutex> lock(resetMutex);
    EXPECT_TRUE(GlobalResetFlag);
}

TEST_F(WebRoutesTest, AGetToAReceiverIsAPostWithoutBody) {
    HttpReply_T globals = AdminGet("/admin/set_global_settings");
    EXPECT_EQ(globals.body, AdminGet("/admin/global_settings.xml").body);
    EXPECT_NE(globals.body.find("<Global"), std::string::npos) << globals.body;
    EXPECT_TRUE(SaveUserSettingsFlag);

    SaveUserSettingsFlag = false;
    EXPECT_EQ(AdminGet("/admin/set_channel_settings").body, Declaration);
    EXPECT_FALSE(SaveUserSettingsFlag);
}

TEST_F(WebRoutesTest, CalibrationModeTakesTheValueWrittenLast) {
    std::vector<std::thread> clients;
    std::vector<long> statuses(6);
    for (size_t i = 0; i < statuses.size(); ++i)
        clients.emplace_back([&, i] {
            statuses[i] = AdminGet(i % 2 == 0 ? "/admin/cal_mode_on" : "/admin/cal_mode_off").status;
        });
    for (std::thread& client : clients) client.join();
    for (long status : statuses) EXPECT_EQ(status, 200);
    EXPECT_EQ(AdminGet("/admin/cal_mode_off").status, 200);
    {
        std::lock_guard<std::mutex> lock(calModeMutex);
        EXPECT_FALSE(GlobalCalModeOn);
    }
    EXPECT_EQ(AdminGet("/admin/cal_mode_on").status, 200);
    std::lock_guard<std::mutex> lock(calModeMutex);
    EXPECT_TRUE(GlobalCalModeOn);
}

// A scheduler step (or a unit exchange) holding systemMutex must not hold up
// the live documents.
TEST_F(WebRoutesTest, StatusAndSampleDoNotWaitForTheSystemLock) {
    VN_Sample::DataRecord record;
    VN_Sample::DataServer::pDataRecord = &record;
    std::lock_guard<std::mutex> busy(systemMutex);
    HttpReply_T status = VN_Test::Get(port, "/user/status.xml", User, UserPassword);
    EXPECT_EQ(status.status, 200);
    EXPECT_NE(status.body.find("<Date_Time"), std::string::npos) << status.body;
    HttpReply_T sample = VN_Test::Get(port, "/user/sample.xml", User, UserPassword);
    EXPECT_EQ(sample.status, 200);
    EXPECT_EQ(sample.body.rfind(Declaration, 0), 0u) << sample.body;
    EXPECT_NE(sample.body.find("<Sample"), std::string::npos) << sample.body;
}

}  // namespace
