// The controller's main loop running on its own thread: requests posted to
// it while it sleeps are handled, and a posted stop ends it.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "app/controller_program.h"
#include "common/controller_mutexes.h"
#include "common/main_loop_wake.h"
#include "test_support.h"

namespace {

TEST(ControllerMainLoop, HandlesPostedSaveAndStop) {
    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir workingDir(dir.Path());
    UserSettingsFilename = "settings.xml";
    StopControllerFlag = false;
    std::atomic<bool> ended{false};
    std::thread loop([&] {
        RunController();
        ended = true;
    });

    {
        std::lock_guard<std::mutex> lock(systemMutex);
        SaveUserSettingsFlag = true;
    }
    WakeMainLoop();
    EXPECT_TRUE(VN_Test::WaitUntil([&] { return VN_Test::FileExists(dir.File(UserSettingsFilename)); }, 60000));
    EXPECT_TRUE(VN_Test::WaitUntil([] { return !SaveUserSettingsFlag; }, 60000));

    {
        std::lock_guard<std::mutex> lock(systemMutex);
        StopControllerFlag = true;
    }
    WakeMainLoop();
    EXPECT_TRUE(VN_Test::WaitUntil([&] { return ended.load(); }, 60000));
    loop.join();
    StopControllerFlag = false;
}

}  // namespace
