// The controller program: its settings file and main-loop hand-overs in
// process, and the program itself running a copy of the simulated station.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "app/controller_program.h"
#include "common/controller_mutexes.h"
#include "station_fixture.h"
#include "station_truth.h"
#include "test_support.h"

using VN_Test::Truth_T;

namespace {

TEST(ControllerSettingsFile, WrittenWholeOrNotAtAll) {
    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir workingDir(dir.Path());
    DataSourceSystem.SetGlobalCurveMode(VN_Sample::CurvesEnabled);
    ASSERT_EQ(0, SaveUserSettings("settings.xml"));
    const std::string saved = VN_Test::ReadFile(dir.File("settings.xml"));
    EXPECT_NE(std::string::npos, saved.find("<Curves curve_mode=\"2\" />")) << saved;
    EXPECT_NE(std::string::npos, saved.find("<!--A test comment-->")) << saved;
    EXPECT_NE(std::string::npos, VN_Test::ReadFile(dir.File("shell_journal.log")).find("cp -a settings.xml"));

    // The new file cannot be made: the settings in place stay as they were.
    std::filesystem::create_directory(dir.File("settings.xml.new"));
    DataSourceSystem.SetGlobalCurveMode(VN_Sample::CurvesAll);
    EXPECT_EQ(805, SaveUserSettings("settings.xml"));
    EXPECT_EQ(saved, VN_Test::ReadFile(dir.File("settings.xml")));

    // A full disk: the write fails only when the buffered text is flushed,
    // which must still count as a failure and leave the settings in place.
    std::filesystem::remove(dir.File("settings.xml.new"));
    std::filesystem::create_symlink("/dev/full", dir.File("settings.xml.new"));
    EXPECT_EQ(805, SaveUserSettings("settings.xml"));
    EXPECT_EQ(saved, VN_Test::ReadFile(dir.File("settings.xml")));
    EXPECT_FALSE(std::filesystem::is_symlink(dir.File("settings.xml")));
    DataSourceSystem.SetGlobalCurveMode(VN_Sample::CurvesNone);
}

TEST(ControllerMainLoop, HandsOnOnlyAChangedCalibrationMode) {
    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir workingDir(dir.Path());
    {
        std::lock_guard<std::mutex> lock(calModeMutex);
        GlobalCalModeOn = true;
        GlobalCalModeOn = false;
    }
    MainLoopPass();
    EXPECT_FALSE(Sampler.CalibrationMode());
    {
        std::lock_guard<std::mutex> lock(calModeMutex);
        GlobalCalModeOn = true;
    }
    MainLoopPass();
    EXPECT_TRUE(Sampler.CalibrationMode());
    {
        std::lock_guard<std::mutex> lock(calModeMutex);
        GlobalCalModeOn = false;
    }
    {
        std::lock_guard<std::mutex> lock(systemMutex);
        SaveUserSettingsFlag = true;
    }
    MainLoopPass();
    EXPECT_FALSE(Sampler.CalibrationMode());
    EXPECT_FALSE(SaveUserSettingsFlag);
    EXPECT_TRUE(std::filesystem::exists(dir.File(UserSettingsFilename)));
}

// The program starts its unit, tracks every module as its settings say, and
// brings the unit back after it was killed.
TEST(ControllerProgramEndToEnd, RunsTheStationAndSurvivesTheUnitsDeath) {
    VN_Test::StationCopy station;
    VN_Test::ChildProcess controller(VN_CONTROLLER_PATH, station.Path());
    const std::string truthFile = station.File("sim_truth.xml");
    Truth_T truth;
    ASSERT_TRUE(VN_Test::WaitForTruth(truthFile, VN_Test::AllFourTracking, 40000, &truth)) << controller.Output();
    EXPECT_NE(std::string::npos, controller.Output().find("Start VN5 Controller"));

    const int pid = station.UnitPid();
    ASSERT_GT(pid, 0);
    ASSERT_EQ(0, kill(pid, SIGKILL));
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(40);
    while (station.UnitPid() == pid && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    ASSERT_NE(pid, station.UnitPid()) << controller.Output();
    // A fresh truth file from the new unit, with every module tracking again.
    std::filesystem::remove(truthFile);
    EXPECT_TRUE(VN_Test::WaitForTruth(truthFile, VN_Test::AllFourTracking, 40000, &truth)) << controller.Output();
    EXPECT_NE(std::string::npos, controller.Output().find("Offline error "));
    EXPECT_TRUE(controller.Running());
}

}  // namespace
