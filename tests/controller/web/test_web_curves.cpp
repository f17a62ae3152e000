// Curve requests over the web: the stored last curves, and a manual run the
// request waits for while the main loop (played by the test) takes it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "channels/iv_curve.h"
#include "common/controller_mutexes.h"
#include "web_server_fixture.h"

using VN_Test::HttpReply_T;
using VN_Test::WebServerTest;

namespace {

const char* const TwoIds = "<Curves><Id id=\"101\"/><Id id=\"-1\"/><Id id=\"102\"/></Curves>";

class WebCurvesTest : public WebServerTest {
protected:
    void SetUp() override {
        AddAccounts();
        mkdir(dir.File("data").c_str(), 0755);
        mkdir(dir.File("data/curves").c_str(), 0755);
        sampler.SetDataSourceSystem(&system);
    }

    void StoreLastCurve(int id) {
        VN_Sample::IvCurve curve;
        curve.ModuleID = std::to_string(id);
        ASSERT_EQ(sampler.StoreLastCurve(curve, id), 0);
    }

    static size_t Curves(const std::string& body) {
        size_t count = 0;
        for (size_t at = body.find("<Curve>"); at != std::string::npos; at = body.find("<Curve>", at + 1)) ++count;
        return count;
    }

    bool RunPending() {
        std::lock_guard<std::mutex> lock(systemMutex);
        return !sampler.ManualCurvesComplete();
    }

    size_t QueuedEntries() {
        std::lock_guard<std::mutex> lock(systemMutex);
        return system.manualCurves.entries.size();
    }

    // What the main loop does: one curve step per pass until the run is over.
    void TakeTheRun() {
        while (RunPending()) {
            std::lock_guard<std::mutex> lock(systemMutex);
            sampler.TakeNextCurve();
        }
    }
};

TEST_F(WebCurvesTest, LastCurvesListOnlyTheStoredOnes) {
    StartServer();
    for (const char* points : {"yes", "no"}) {
        SCOPED_TRACE(points);
        const std::string none = std::string("<Curves points=\"") + points + "\"><Id id=\"101\"/></Curves>";
        HttpReply_T reply = VN_Test::Post(port, "/user/last_curves.xml", none, User, UserPassword);
        EXPECT_EQ(reply.status, 200);
        EXPECT_NE(reply.body.find("<IV_Curves>"), std::string::npos) << reply.body;
        EXPECT_EQ(Curves(reply.body), 0u);
    }
    StoreLastCurve(102);
    EXPECT_EQ(Curves(VN_Test::Post(port, "/user/last_curves.xml", TwoIds, User, UserPassword).body), 1u);
}

TEST_F(WebCurvesTest, TakeCurvesAnswersWhenTheRunIsCompleteAndASecondRequestWaitsForTheSameRun) {
    StartServer();
    StoreLastCurve(101);
    HttpReply_T first;
    HttpReply_T second;
    std::atomic<bool> firstDone{false};
    std::thread firstClient([&] {
        first = AdminPost("/admin/take_curves", TwoIds);
        firstDone = true;
    });
    ASSERT_TRUE(VN_Test::WaitUntil([&] { return QueuedEntries() == 2; }, 20000));
    std::thread secondClient([&] { second = AdminPost("/admin/take_curves", "<Curves><Id id=\"101\"/></Curves>"); });
    ASSERT_TRUE(VN_Test::WaitUntil([&] { return QueuedEntries() == 1; }, 20000));
    EXPECT_FALSE(firstDone);
    TakeTheRun();
    firstClient.join();
    secondClient.join();
    for (const HttpReply_T* reply : {&first, &second}) {
        EXPECT_EQ(reply->status, 200);
        // The reply lists the queue's curves, which the second request rebuilt.
        EXPECT_EQ(Curves(reply->body), 1u) << reply->body;
    }
}

TEST_F(WebCurvesTest, TakeCurvesGivesUpAfterItsTimeLimitAndTheRunGoesOn) {
    VN_Sample::ServerOptions_T options = Options();
    options.curveWaitBaseMs = 200;
    options.curveWaitPerCurveMs = 100;
    StartServer(options);
    HttpReply_T reply = AdminPost("/admin/take_curves", TwoIds);
    EXPECT_EQ(reply.status, 504);
    EXPECT_EQ(reply.contentLength, static_cast<long long>(reply.body.size()));
    EXPECT_TRUE(RunPending());
}

TEST_F(WebCurvesTest, AClientThatLeavesFreesTheWaitingWorker) {
    VN_Sample::ServerOptions_T options = Options();
    options.workerThreads = 1;
    options.curveWaitBaseMs = 600000;
    StartServer(options);
    VN_Test::HttpRequest_T request;
    request.uri = "/admin/take_curves";
    request.user = Admin;
    request.password = AdminPassword;
    request.post = true;
    request.body = TwoIds;
    request.timeoutMs = 500;
    EXPECT_NE(VN_Test::Http(port, request).curlCode, 0);
    // The one worker serves again.
    VN_Test::HttpRequest_T status;
    status.uri = "/user/status.xml";
    status.user = User;
    status.password = UserPassword;
    status.timeoutMs = 30000;
    EXPECT_EQ(VN_Test::Http(port, status).status, 200);
}

}  // namespace
