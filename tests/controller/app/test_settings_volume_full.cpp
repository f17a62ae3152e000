// The settings file on a full volume: the save fails, says so on the
// controller's output (the web form that asked was answered already), and
// the settings in place stay as they were.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/controller_program.h"
#include "test_support.h"

namespace {

TEST(ControllerSettingsVolumeFull, TheSaveFailsAloudAndKeepsTheOldSettings) {
    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir workingDir(dir.Path());
    ASSERT_EQ(0, SaveUserSettings("/vn/settings.xml"));
    const std::string saved = VN_Test::ReadFile(dir.File("settings.xml"));

    VN_Test::WriteFile(dir.File("sim_volume_full"), "/vn 50\n");
    testing::internal::CaptureStdout();
    EXPECT_EQ(805, SaveUserSettings("/vn/settings.xml"));
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos,
              output.find("Cannot save the user settings to /vn/settings.xml (No space left on device)"))
        << output;
    EXPECT_EQ(saved, VN_Test::ReadFile(dir.File("settings.xml")));
    EXPECT_FALSE(VN_Test::FileExists(dir.File("settings.xml.new")));

    std::remove(dir.File("sim_volume_full").c_str());
    EXPECT_EQ(0, SaveUserSettings("/vn/settings.xml"));
}

}  // namespace
