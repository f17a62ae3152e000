// What a web request asks of the main loop wakes it, so the loop does not
// sleep out its time to the next sample first.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>

#include "common/main_loop_wake.h"
#include "web_server_fixture.h"

namespace {

class WebLoopWake : public VN_Test::WebServerTest {
protected:
    void SetUp() override {
        AddAccounts();
        mkdir(dir.File("data").c_str(), 0755);
        mkdir(dir.File("data/curves").c_str(), 0755);
        sampler.SetDataSourceSystem(&system);
        VN_Sample::ServerOptions_T options = Options();
        options.curveWaitBaseMs = 200;
        options.curveWaitPerCurveMs = 100;
        StartServer(options);
        SleepUntilWoken(std::chrono::microseconds(0));
    }
    // The generous limit only ends a test whose request woke nothing.
    static bool Woken() { return SleepUntilWoken(std::chrono::seconds(30)); }
};

TEST_F(WebLoopWake, ResetCalibrationModeSettingsAndCurveRunsWakeTheLoop) {
    AdminGet("/admin/reset");
    EXPECT_TRUE(Woken()) << "reset";
    EXPECT_EQ(AdminGet("/admin/cal_mode_on").status, 200);
    EXPECT_TRUE(Woken()) << "calibration mode";
    EXPECT_EQ(AdminPost("/admin/set_sample_settings", "<Settings><Sampler sample_period=\"5\" /></Settings>").status,
              200);
    EXPECT_TRUE(Woken()) << "schedule";
    // No loop takes the curves here: the request gives up, the run stays queued.
    EXPECT_EQ(AdminPost("/admin/take_curves", "<Curves><Id id=\"101\"/></Curves>").status, 504);
    EXPECT_TRUE(Woken()) << "curves";
}

}  // namespace
