// What the operator console asks of the main loop wakes it.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "common/config_file_names.h"
#include "common/controller_flags.h"
#include "common/main_loop_wake.h"
#include "console_station.h"

namespace {

using VN_Sample::interface;

class ConsoleLoopWake : public VN_Test::ConsoleStation {
protected:
    ConsoleLoopWake() {
        ChannelConfigFilename = "chan_config.xml";
        UserSettingsFilename = "settings.xml";
        SleepUntilWoken(std::chrono::microseconds(0));
    }
    ~ConsoleLoopWake() override {
        SaveUserSettingsFlag = false;
        StopControllerFlag = false;
    }
    // The generous limit only ends a test whose request woke nothing.
    static bool Woken() { return SleepUntilWoken(std::chrono::seconds(30)); }
};

TEST_F(ConsoleLoopWake, QuittingSavingTheNetworkAndLearningWakeTheLoop) {
    Drive(&interface::Start, std::to_string(interface::HiddenMenuSelection) + "\n1\n");
    EXPECT_TRUE(StopControllerFlag);
    EXPECT_TRUE(Woken());

    Drive(&interface::NetworkSetup, "6\n7\n");
    EXPECT_TRUE(SaveUserSettingsFlag);
    EXPECT_TRUE(Woken());

    VN_Test::WriteFile(dir.File("settings.xml"), "<Settings />");
    Drive(&interface::LearnSystem, "yes\n\n\n");
    EXPECT_TRUE(Woken());
}

}  // namespace
