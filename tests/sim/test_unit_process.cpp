#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <string>
#include <thread>

#include "test_support.h"
#include "unit_process.h"

namespace {

bool Alive(pid_t pid) { return kill(pid, 0) == 0; }

// The pid the fake program wrote into its folder, or -1 after a few seconds.
pid_t WaitForPid(const std::string& file) {
    for (int i = 0; i < 500; ++i) {
        std::string text = VN_Test::ReadFile(file);
        if (!text.empty() && text.back() == '\n') return static_cast<pid_t>(std::stoi(text));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

class UnitProcessTest : public ::testing::Test {
protected:
    UnitProcessTest() {
        for (VN_Test::TempDir* dir : {&station, &other}) {
            // Writes its own pid (exec keeps it), then idles like the unit program.
            VN_Test::WriteFile(dir->File("vn_firmware"), std::string("#!/bin/sh\necho $$ > pid.tmp\nmv pid.tmp ") +
                                                              "pid.$$\nexec sleep 30\n");
            chmod(dir->File("vn_firmware").c_str(), 0755);
        }
    }
    ~UnitProcessTest() override { VN_Lib::StopUnitProgram(); }

    pid_t StartedPid(const VN_Test::TempDir& dir) {
        std::string journal = VN_Test::ReadFile(dir.File("shell_journal.log"));
        size_t at = journal.rfind("started pid ");
        return at == std::string::npos ? -1 : static_cast<pid_t>(std::stoi(journal.substr(at + 12)));
    }

    VN_Test::TempDir station;
    VN_Test::TempDir other;
    VN_Test::ScopedWorkingDir cwd{station.Path()};
};

TEST_F(UnitProcessTest, StopEndsOnlyTheProgramStartedHere) {
    // Another simulated station's unit program with the same name.
    VN_Test::ChildProcess neighbour("./vn_firmware", other.Path());
    ASSERT_GT(neighbour.Pid(), 0);

    ASSERT_EQ(VN_Lib::StartUnitProgram(), 0);
    pid_t pid = StartedPid(station);
    ASSERT_GT(pid, 0);
    EXPECT_EQ(WaitForPid(station.File("pid." + std::to_string(pid))), pid);
    EXPECT_TRUE(Alive(pid));

    EXPECT_EQ(VN_Lib::StopUnitProgram(), 0);
    // Reaped, not a zombie: the pid is gone.
    EXPECT_FALSE(Alive(pid));
    EXPECT_TRUE(neighbour.Running());
    std::string journal = VN_Test::ReadFile(station.File("shell_journal.log"));
    EXPECT_NE(journal.find("./vn_firmware&\tstarted pid " + std::to_string(pid)), std::string::npos);
    EXPECT_NE(journal.find("killall -SIGTERM vn_firmware\tstopped pid " + std::to_string(pid)), std::string::npos);
    // Nothing left to stop.
    EXPECT_EQ(VN_Lib::StopUnitProgram(), 0);
}

TEST_F(UnitProcessTest, SecondStartReplacesTheRunningProgram) {
    ASSERT_EQ(VN_Lib::StartUnitProgram(), 0);
    pid_t first = StartedPid(station);
    ASSERT_EQ(VN_Lib::StartUnitProgram(), 0);
    pid_t second = StartedPid(station);
    EXPECT_NE(first, second);
    EXPECT_FALSE(Alive(first));
    EXPECT_TRUE(Alive(second));
}

TEST_F(UnitProcessTest, ProgramIgnoringSigtermIsKilled) {
    VN_Test::WriteFile(station.File("vn_firmware"), "#!/bin/sh\ntrap '' TERM\necho $$ > pid.tmp\nmv pid.tmp pid.$$\n"
                                                    "while true; do sleep 1; done\n");
    ASSERT_EQ(VN_Lib::StartUnitProgram(), 0);
    pid_t pid = StartedPid(station);
    // Only once the trap is set does the test of SIGTERM mean anything.
    ASSERT_EQ(WaitForPid(station.File("pid." + std::to_string(pid))), pid);
    EXPECT_EQ(VN_Lib::StopUnitProgram(), 0);
    EXPECT_FALSE(Alive(pid));
    EXPECT_NE(VN_Test::ReadFile(station.File("shell_journal.log")).find("killed pid"), std::string::npos);
}

TEST_F(UnitProcessTest, MissingProgramIsReportedNotStarted) {
    unlink(station.File("vn_firmware").c_str());
    EXPECT_NE(VN_Lib::StartUnitProgram(), 0);
    EXPECT_NE(VN_Test::ReadFile(station.File("shell_journal.log")).find("not started"), std::string::npos);
}

}  // namespace
