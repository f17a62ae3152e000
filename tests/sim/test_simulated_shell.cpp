#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "clock.h"
#include "shell.h"
#include "test_support.h"

namespace {

using VN_Lib::RunShellCommand;
using VN_Test::FileExists;
using VN_Test::ReadFile;
using VN_Test::WriteFile;

class SimulatedShellTest : public ::testing::Test {
protected:
    SimulatedShellTest() {
        mkdir(station.File("etc").c_str(), 0755);
        WriteFile(station.File("a"), "alpha\n");
        WriteFile(outside.File("victim"), "keep\n");
    }

    std::vector<std::string> Journal() const {
        std::vector<std::string> lines;
        std::istringstream in(ReadFile(station.File("shell_journal.log")));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    std::string LastOutcome() const {
        std::vector<std::string> lines = Journal();
        if (lines.empty()) return "";
        return lines.back().substr(lines.back().find('\t') + 1);
    }

    VN_Test::TempDir outside;
    VN_Test::TempDir station;
    VN_Test::ScopedWorkingDir cwd{station.Path()};
};

TEST_F(SimulatedShellTest, BackupCopyHappensInsideTheStationAndIsJournaledInOrder) {
    EXPECT_EQ(RunShellCommand("mkdir /hda2 > /dev/null 2> /dev/null"), 0);
    EXPECT_EQ(RunShellCommand("mount /dev/hda2 /hda2 > /dev/null 2> /dev/null"), 0);
    EXPECT_EQ(RunShellCommand("mkdir /hda2/vn/"), 0);
    EXPECT_EQ(RunShellCommand("cp -a /vn/a /hda2/vn/a > /dev/null 2> /dev/null\n"), 0);
    EXPECT_EQ(RunShellCommand("umount /hda2 > /dev/null 2> /dev/null"), 0);
    EXPECT_EQ(ReadFile(station.File("hda2/vn/a")), "alpha\n");

    std::vector<std::string> expected = {
        "mkdir /hda2 > /dev/null 2> /dev/null\tran, exit 0",
        "mount /dev/hda2 /hda2 > /dev/null 2> /dev/null\tsimulated mount",
        "mkdir /hda2/vn/\tran, exit 0",
        "cp -a /vn/a /hda2/vn/a > /dev/null 2> /dev/null\tran, exit 0",
        "umount /hda2 > /dev/null 2> /dev/null\tsimulated umount",
    };
    EXPECT_EQ(Journal(), expected);
}

TEST_F(SimulatedShellTest, FailingToolReportsItsStatusAsSystemDoes) {
    int status = RunShellCommand("cat /vn/missing > /dev/null 2> /dev/null");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(LastOutcome(), "ran, exit 1");
    // A redirection that cannot be opened fails as a shell's does, and the
    // command does not run.
    status = RunShellCommand("cp /vn/a /vn/b > /vn/no_folder/out");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(LastOutcome().rfind("not started: cannot open ", 0), 0U) << LastOutcome();
    EXPECT_FALSE(FileExists(station.File("b")));
    // The station's data volume is mounted without running anything.
    EXPECT_EQ(RunShellCommand("mount /dev/hda3 /data > /dev/null 2> /dev/null"), 0);
    EXPECT_EQ(LastOutcome(), "simulated mount");
    EXPECT_EQ(RunShellCommand("umount /dev/hda3 /data > /dev/null 2> /dev/null"), 0);
    EXPECT_EQ(LastOutcome(), "simulated umount");
}

TEST_F(SimulatedShellTest, PathsOutsideTheStationAreNeverTouched) {
    const std::string victim = outside.File("victim");
    mkdir(station.File("cal").c_str(), 0755);
    ASSERT_EQ(symlink(outside.Path().c_str(), station.File("out").c_str()), 0);
    const std::vector<std::string> commands = {
        "rm " + victim,
        "rm -rf " + outside.Path(),
        "chmod 000 " + victim,
        "cp /vn/a " + outside.File("copy"),
        "mkdir " + outside.File("made"),
        "ln -s /vn/a " + outside.File("link"),
        "echo x > " + outside.File("echoed"),
        "cat /vn/a > " + outside.File("cat"),
        "rm ../" + outside.Path().substr(outside.Path().rfind('/') + 1) + "/victim",
        "rm cal/../../victim",
        "rm /vn/../" + outside.File("victim").substr(1),
        "cp /vn/a /usr/share/zoneinfo/copy",
        "cp -t /usr/share/zoneinfo /vn/a",
        "cp --target-directory=/tmp /vn/a",
        "cp /vn/a /vn/out/copy",
        "chmod 000 out/victim",
        "echo x > /vn/out/echoed",
    };
    for (const std::string& command : commands) {
        EXPECT_NE(RunShellCommand(command), 0) << command;
        EXPECT_EQ(LastOutcome().rfind("refused: ", 0), 0U) << command << " -> " << LastOutcome();
    }
    EXPECT_EQ(ReadFile(victim), "keep\n");
    struct stat info;
    ASSERT_EQ(stat(victim.c_str(), &info), 0);
    EXPECT_NE(info.st_mode & 0777, 0U);
    for (const char* name : {"copy", "made", "link", "echoed", "cat"}) EXPECT_FALSE(FileExists(outside.File(name)));

    // Removing the link itself stays inside: the folder it points to is untouched.
    EXPECT_EQ(RunShellCommand("rm out"), 0);
    EXPECT_FALSE(FileExists(station.File("out")));
    EXPECT_EQ(ReadFile(victim), "keep\n");
}

TEST_F(SimulatedShellTest, UnexpectedShellSyntaxIsRefusedAndNothingRuns) {
    const std::vector<std::string> commands = {
        "rm /vn/a; echo x",     "cat /vn/a | rm /vn/a",       "rm /vn/a && true",   "rm /vn/a &",
        "echo `rm /vn/a` > /vn/x", "echo $(rm /vn/a) > /vn/x", "rm $HOME/a",       "cat < /vn/a",
        "rm '/vn/a'",           "rm \"/vn/a\"",               "rm /vn/a\nrm /vn/x", "cp /vn/a /vn/b 2>&1",
        "rm /vn/a # note",      "rm ~/a",                     "cp /vn/a /vn/b>",    "cp /vn/a x>y",
        "echo * > /vn/list",
    };
    for (const std::string& command : commands) {
        EXPECT_NE(RunShellCommand(command), 0) << command;
        EXPECT_EQ(LastOutcome().rfind("refused: ", 0), 0U) << command << " -> " << LastOutcome();
    }
    EXPECT_EQ(ReadFile(station.File("a")), "alpha\n");
    EXPECT_FALSE(FileExists(station.File("x")));
    EXPECT_FALSE(FileExists(station.File("b")));
    EXPECT_EQ(Journal().size(), commands.size());
}

TEST_F(SimulatedShellTest, SystemToolsAreJournaledButNotRun) {
    const std::vector<std::string> commands = {
        "killall -SIGTERM vn_firmware",   "killall ntpd",          "ifconfig eth0 10.0.0.2 netmask 255.0.0.0",
        "route add default gw 10.0.0.1 metric 1", "dhcpcd -k",     "/bin/hostname station",
        "ntpd",                           "hwclock --systohc --utc", ". /vn/chnet",
        "./kill_vn",                      "bash",                  "reset",
        "mount /dev/sda1 /mnt",           "/bin/rm " + outside.File("victim"),
        "echo hello",
    };
    for (const std::string& command : commands) {
        EXPECT_EQ(RunShellCommand(command), 0) << command;
        EXPECT_EQ(LastOutcome(), "not run") << command;
    }
    EXPECT_EQ(ReadFile(outside.File("victim")), "keep\n");
}

TEST_F(SimulatedShellTest, NtpFileIsRewrittenWithEchoKeepingItsText) {
    WriteFile(station.File("etc/ntp.conf"), "old\n");
    EXPECT_EQ(RunShellCommand("rm /etc/ntp.conf"), 0);
    EXPECT_EQ(RunShellCommand("echo driftfile /etc/ntp/drift >> /etc/ntp.conf"), 0);
    EXPECT_EQ(RunShellCommand("echo server 0.pool.example >> /etc/ntp.conf"), 0);
    EXPECT_EQ(ReadFile(station.File("etc/ntp.conf")), "driftfile /etc/ntp/drift\nserver 0.pool.example\n");
}

TEST_F(SimulatedShellTest, FactoryFilesAreCopiedByPatternAndTimeZoneLinked) {
    mkdir(station.File("hda2").c_str(), 0755);
    mkdir(station.File("hda2/vn").c_str(), 0755);
    mkdir(station.File("hda2/vn/factory_cal").c_str(), 0755);
    WriteFile(station.File("hda2/vn/factory_cal/mod_voltage_cal.txt"), "v\n");
    WriteFile(station.File("hda2/vn/factory_cal/mod_current_cal.txt"), "i\n");
    EXPECT_EQ(RunShellCommand("mkdir cal_files"), 0);
    EXPECT_EQ(RunShellCommand("cp -a /hda2/vn/factory_cal/* /vn/cal_files"), 0);
    EXPECT_EQ(ReadFile(station.File("cal_files/mod_voltage_cal.txt")), "v\n");
    EXPECT_EQ(ReadFile(station.File("cal_files/mod_current_cal.txt")), "i\n");
    // A pattern that matches nothing reaches the tool as written, which fails.
    EXPECT_NE(RunShellCommand("cp -a /hda2/vn/none/* /vn/cal_files"), 0);

    // Zone files are a read-only source; linking twice replaces the link.
    for (const char* zone : {"GMT+1", "GMT-2"}) {
        std::string command = std::string("ln -sf /usr/share/zoneinfo/Etc/") + zone + " /etc/localtime";
        EXPECT_EQ(RunShellCommand(command), 0) << LastOutcome();
        char target[256] = {};
        ASSERT_GT(readlink(station.File("etc/localtime").c_str(), target, sizeof(target) - 1), 0);
        EXPECT_EQ(std::string(target), std::string("/usr/share/zoneinfo/Etc/") + zone);
    }
}

TEST_F(SimulatedShellTest, ClockIsNeverSetOnlyJournaled) {
    struct timeval before;
    gettimeofday(&before, nullptr);
    struct timeval wanted = {86400, 0};
    EXPECT_EQ(VN_Lib::SetSystemClock(wanted), 0);
    struct timeval after;
    gettimeofday(&after, nullptr);
    EXPECT_GE(after.tv_sec, before.tv_sec);
    EXPECT_EQ(Journal(), std::vector<std::string>{"settimeofday 86400.000000\tnot run"});
}

TEST_F(SimulatedShellTest, PartitionsListedInTheMountFailuresFileCannotBeMounted) {
    WriteFile(station.File("sim_mount_fails"), "/data\n/dev/sdz9\n");
    EXPECT_EQ(RunShellCommand("mount /dev/hda3 /data > /dev/null 2> /dev/null"), 32 << 8);
    EXPECT_EQ(LastOutcome(), "simulated mount failure");
    EXPECT_EQ(RunShellCommand("mount /dev/hda2 /hda2"), 0);
    EXPECT_EQ(RunShellCommand("umount /data"), 0);

    WriteFile(station.File("sim_mount_fails"), "/dev/hda2\n");
    EXPECT_NE(RunShellCommand("mount /dev/hda2 /hda2"), 0);
    EXPECT_EQ(RunShellCommand("mount /dev/hda3 /data"), 0);
    EXPECT_EQ(LastOutcome(), "simulated mount");
}

}  // namespace
