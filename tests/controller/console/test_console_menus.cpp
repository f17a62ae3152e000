// The operator console driven through its (input, output) streams: answers
// and their conversions, every menu path, confirmations, the network copy
// and its checks, and an input that ends anywhere.
#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "common/config_file_names.h"
#include "common/controller_flags.h"
#include "common/controller_mutexes.h"
#include "common/software_version.h"
#include "console_station.h"

namespace {

using VN_Sample::interface;
using Commands_T = std::vector<std::string>;

const char* const MainMenuPrompt = "1) Network Setup\n";
const char* const NetworkMenu = "7) Exit\n";
const char* const HiddenMenuText = "10) Exit Menu\n";
const char* const PressEnter = "\nPress enter to continue>  ";
const std::string Hidden = std::to_string(interface::HiddenMenuSelection) + "\n";

const char* const LiveNetwork =
    "<Settings><Network dhcp_enabled=\"no\" dhcp_hostname=\"\" hostname=\"station-7\" ipaddress=\"192.168.1.20\" "
    "netmask=\"255.255.255.0\" gateway=\"192.168.1.1\" dns1=\"10.0.0.53\" dns2=\"10.0.0.54\" /></Settings>";

class ConsoleMenus : public VN_Test::ConsoleStation {
protected:
    ConsoleMenus() {
        EXPECT_EQ(0, sampler.SetNetworkSettings(LiveNetwork));
        live = Network();
        SaveUserSettingsFlag = false;
        StopControllerFlag = false;
        ChannelConfigFilename = "chan_config.xml";
        UserSettingsFilename = "settings.xml";
        MarkJournal();
    }
    ~ConsoleMenus() override {
        SaveUserSettingsFlag = false;
        StopControllerFlag = false;
    }

    std::string Network() {
        std::string xml;
        sampler.GetNetworkSettings(xml);
        return xml;
    }

    bool Journaled(const std::string& command) const {
        for (const std::string& each : Commands())
            if (each == command) return true;
        return false;
    }

    std::string live;
};

TEST_F(ConsoleMenus, AnswersConvertWholeLinesOnly) {
    std::istringstream input(" 3 \n12abc\nabc\n99999999999\n-4\r\n2.5\n1e3\nx\n" + std::string(150, 'a') +
                             "\nnext\nlast");
    std::ostringstream output;
    interface console(sampler, system, input, output);
    EXPECT_EQ(3, console.GetIntegerInput());
    EXPECT_EQ(0, console.GetIntegerInput());  // a stray letter picks nothing
    EXPECT_EQ(0, console.GetIntegerInput());
    EXPECT_EQ(0, console.GetIntegerInput());  // beyond an int
    EXPECT_EQ(-4, console.GetIntegerInput());
    EXPECT_FLOAT_EQ(2.5f, console.GetFloatInput());
    EXPECT_DOUBLE_EQ(1000.0, console.GetDoubleInput());
    EXPECT_DOUBLE_EQ(0.0, console.GetDoubleInput());
    // A long line is cut; its rest is not taken as the next answer.
    EXPECT_EQ(std::string(99, 'a'), console.GetStringInput());
    EXPECT_EQ("next", console.GetStringInput());
    EXPECT_EQ("last", console.GetStringInput());
    EXPECT_FALSE(console.Ended());
    EXPECT_EQ(0, console.GetIntegerInput());
    EXPECT_TRUE(console.Ended());
    EXPECT_EQ("", output.str());
}

TEST_F(ConsoleMenus, MainMenuShowsItselfAgainOnAnythingElse) {
    const std::string screen = Drive(&interface::Start, "x\n\n0\n17\n");
    EXPECT_TRUE(ended);
    EXPECT_EQ(5u, Count(screen, MainMenuPrompt)) << screen;
    EXPECT_EQ(5u, Count(screen, "\nVN5 Controller Software Version "));
    EXPECT_EQ(5u, Count(screen, "\nMake selection (1, 2, 3 ...) and press Enter>  \n\n"));
    EXPECT_EQ(Commands_T(5, "reset"), Commands());
    // The service menu is not listed.
    EXPECT_EQ(std::string::npos, screen.find(std::to_string(interface::HiddenMenuSelection)));
    EXPECT_EQ(std::string::npos, screen.find("Quit Controller"));
}

// Wherever the input ends, the console ends without doing what was being
// asked: no menu shown again and again, nothing reset, learned or stopped.
TEST_F(ConsoleMenus, InputEndingAnywhereEndsTheConsole) {
    const char* const answers[] = {"",           "1\n",    "1\n1\n",  "1\n1\n10.9.9.9\n", "2\n",
                                   "3\n",        "3\n\n",  "4\n",     "4\n1\n",           "4\n2\n",
                                   "2\nn\n",     "4\n1\nno\n"};
    for (const char* each : answers) {
        MarkJournal();
        const std::string screen = Drive(&interface::Start, each);
        EXPECT_TRUE(ended) << each;
        EXPECT_EQ(1u, Count(screen, MainMenuPrompt)) << each;
        EXPECT_LE(Count(screen, NetworkMenu), 2u) << each;
        EXPECT_EQ(Commands_T{"reset"}, Commands()) << each;
        EXPECT_EQ(live, Network()) << each;
        EXPECT_FALSE(SaveUserSettingsFlag) << each;
        EXPECT_FALSE(VN_Test::FileExists(dir.File("chan_config.xml"))) << each;
    }
    for (const std::string& each : {Hidden, Hidden + "2\n", Hidden + "3\n"}) {
        const std::string screen = Drive(&interface::Start, each);
        EXPECT_TRUE(ended);
        EXPECT_LE(Count(screen, HiddenMenuText), 2u) << each;
        EXPECT_FALSE(StopControllerFlag);
    }
}

TEST_F(ConsoleMenus, OnlyYesAnswersConfirm) {
    for (const char* yes : {"y", "Y", "yes"}) {
        MarkJournal();
        const std::string screen = Drive(&interface::ResetWebPasswords, std::string(yes) + "\n");
        EXPECT_NE(std::string::npos, screen.find("Reset Web Passowrds (y, n) ?>  Resetting web passwords\n")) << yes;
        EXPECT_TRUE(Journaled("rm /vn/adminpasswds > /dev/null 2> /dev/null")) << yes;
        EXPECT_NE(std::string::npos, Drive(&interface::ResetFtpPasswords, std::string(yes) + "\n")
                                         .find("Reset FTP Passowrds (y, n) ?>  Resetting FTP passwords\n"));
    }
    for (const char* no : {"YES", "n", ""}) {
        MarkJournal();
        std::string screen = Drive(&interface::ResetWebPasswords, std::string(no) + "\n\n");
        EXPECT_NE(std::string::npos, screen.find("?>  Reset Web Passwords CANCELED\n" + std::string(PressEnter))) << no;
        EXPECT_FALSE(ended) << no;  // the press-enter line was read
        EXPECT_TRUE(Commands().empty()) << no;
        screen = Drive(&interface::ResetFtpPasswords, std::string(no) + "\n\n");
        EXPECT_NE(std::string::npos, screen.find("?>  Reset FTP Passwords CANCELED\n" + std::string(PressEnter))) << no;
        screen = Drive(&interface::LearnSystem, std::string(no) + "\n\n");
        EXPECT_NE(std::string::npos, screen.find("Learn System (y, n) ?>  Learn System CANCELED\n")) << no;
        EXPECT_FALSE(VN_Test::FileExists(dir.File("chan_config.xml"))) << no;
    }
}

TEST_F(ConsoleMenus, PasswordMenuOffersBothResetsUntilExit) {
    const std::string screen = Drive(&interface::ResetPasswords, "1\nn\n\n2\nn\n\nx\n3\n");
    EXPECT_FALSE(ended);
    EXPECT_EQ(4u, Count(screen, "\n1) Reset Web Access Passwords\n2) Reset FTP Passwords\n3) Exit\n"));
    EXPECT_EQ(1u, Count(screen, "Reset Web Passwords CANCELED"));
    EXPECT_EQ(1u, Count(screen, "Reset FTP Passwords CANCELED"));
}

TEST_F(ConsoleMenus, SavingUnchangedValuesAppliesThemAgainAndMarksThemForSaving) {
    const std::string screen = Drive(&interface::NetworkSetup, "6\n7\n");
    EXPECT_EQ((Commands_T{"dhcpcd -k", "/bin/hostname station-7", "ifconfig eth0 192.168.1.20 netmask 255.255.255.0",
                          "route add default gw 192.168.1.1 metric 1", "rm /etc/resolv.conf",
                          "echo nameserver 10.0.0.53 >> /etc/resolv.conf",
                          "echo nameserver 10.0.0.54 >> /etc/resolv.conf"}),
              Commands());
    EXPECT_TRUE(SaveUserSettingsFlag);
    EXPECT_EQ(live, Network());
    EXPECT_NE(std::string::npos,
              screen.find("\n---NETWORK SETTINGS---\nDHCP Enabled   :  no\nDHCP Host Name :  \nHost Name      :  station-7\n"
                          "IP Address     :  192.168.1.20\nSubnet Mask    :  255.255.255.0\n"
                          "Gateway Address:  192.168.1.1\nDNS1 Address   :  10.0.0.53\nDNS2 Address   :  10.0.0.54\n"
                          "MAC  Address   :  "))
        << screen;
    EXPECT_EQ(2u, Count(screen, "5) Set DSN 2\n6) Save changes\n7) Exit\n"));
}

TEST_F(ConsoleMenus, ExitWithoutSavingLeavesTheLiveSettings) {
    const std::string screen = Drive(&interface::NetworkSetup, "1\n10.1.1.1\n7\n");
    EXPECT_NE(std::string::npos, screen.find("Enter IP address (ex. \"192.168.0.13\")>  "));
    EXPECT_NE(std::string::npos, screen.find("IP Address     :  10.1.1.1\n"));
    EXPECT_EQ(live, Network());
    EXPECT_TRUE(Commands().empty());
    EXPECT_FALSE(SaveUserSettingsFlag);
    // The next visit starts from the live settings again.
    Drive(&interface::NetworkSetup, "7\n");
    EXPECT_EQ("192.168.1.20", temporaryIp);
}

TEST_F(ConsoleMenus, EveryEnteredAddressIsSavedAndShownAfterwards) {
    const std::string screen = Drive(&interface::NetworkSetup,
                                     "1\n10.1.1.1\n2\n255.255.0.0\n3\n10.1.0.1\n4\n10.1.0.53\n5\n\n6\n7\n");
    for (const char* prompt : {"Enter Subnet Mask (ex. \"255.255.255.0\")>  ",
                               "Enter Gateway Address (ex. \"192.168.0.1\")>  ",
                               "Enter DNS 1 Address (ex. \"203.167.75.2\")>  ",
                               "Enter DNS 2 Address (ex. \"203.167.75.3\")>  "})
        EXPECT_NE(std::string::npos, screen.find(prompt)) << prompt;
    EXPECT_TRUE(Journaled("ifconfig eth0 10.1.1.1 netmask 255.255.0.0"));
    EXPECT_TRUE(Journaled("route add default gw 10.1.0.1 metric 1"));
    EXPECT_EQ("nameserver 10.1.0.53\nnameserver\n", VN_Test::ReadFile(dir.File("etc/resolv.conf")));
    EXPECT_TRUE(SaveUserSettingsFlag);
    EXPECT_NE(std::string::npos, Network().find("ipaddress=\"10.1.1.1\""));
    EXPECT_EQ("10.1.1.1", temporaryIp);
}

// Typed addresses reach a root shell: one that is no address is refused with
// a word to the operator, and nothing is kept, run or marked for saving.
TEST_F(ConsoleMenus, AddressThatIsNoneIsRefusedAndChangesNothing) {
    for (const char* typed : {"192.168.0.300", "1.2.3.4; reboot", "10.0.0.1 netmask 0.0.0.0", "$(halt)", "010.0.0.1"}) {
        for (const char* field : {"1", "2", "3", "4", "5"}) {
            MarkJournal();
            const std::string screen =
                Drive(&interface::NetworkSetup, std::string(field) + "\n" + typed + "\n6\n7\n");
            EXPECT_NE(std::string::npos, screen.find("Network settings NOT saved")) << field << typed;
            EXPECT_NE(std::string::npos, screen.find(std::string(":  ") + typed + "\n")) << field << typed;
            EXPECT_EQ(live, Network()) << field << typed;
            EXPECT_TRUE(Commands().empty()) << field << typed;
            EXPECT_FALSE(SaveUserSettingsFlag) << field << typed;
        }
    }
}

TEST_F(ConsoleMenus, ShowsSystemNetworkSettingsAsTheyAreLive) {
    std::istringstream input;
    std::ostringstream output;
    interface console(sampler, system, input, output);
    console.ShowSystemNetworkSettings();
    EXPECT_NE(std::string::npos, output.str().find("Host Name      :  station-7\nIP Address     :  192.168.1.20\n"));
}

TEST_F(ConsoleMenus, SystemDescriptionPageByPage) {
    std::string screen = Drive(&interface::ShowSysConfig, "\n\n");
    EXPECT_EQ("Vantrel System\n\n" + std::string(PressEnter) + "Controller Software Version " + SoftwareVersion +
                  "\n\n" + PressEnter,
              screen);
    // The input ends on the first page: the rest is not shown.
    screen = Drive(&interface::ShowSysConfig, "");
    EXPECT_EQ("Vantrel System\n\n" + std::string(PressEnter), screen);
}

TEST_F(ConsoleMenus, LearningWritesTheChannelsAndShowsTheSystem) {
    VN_Test::WriteFile(dir.File("settings.xml"), "<Settings />");
    std::string screen = Drive(&interface::LearnSystem, "yes\n\n\n");
    EXPECT_NE(std::string::npos, screen.find("?>  Learning system configuration.\n"
                                             "Reset system to new configuration. Please wait ...\nDone\n\n"
                                             "Vantrel System\n\n"))
        << screen;
    EXPECT_TRUE(VN_Test::FileExists(dir.File("chan_config.xml")));

    // The channel configuration cannot be written.
    std::filesystem::create_directory(dir.File("chan_config.xml.new"));
    screen = Drive(&interface::LearnSystem, "y\n\n\n");
    EXPECT_NE(std::string::npos, screen.find("Learning system configuration.\nLearn Chan Config error\nVantrel System"))
        << screen;
}

TEST_F(ConsoleMenus, ServiceMenuSwitchesLogsRunsItsCommandsAndStops) {
    std::string screen = Drive(&interface::Start, Hidden + "3\n5\n7\n2\n9\nx\n10\n");
    EXPECT_EQ(2u, Count(screen, MainMenuPrompt)) << screen;
    EXPECT_EQ(7u, Count(screen, HiddenMenuText));
    EXPECT_TRUE(MsgLog.IsEnabled() && ErrMsgLog.IsEnabled() && DebugLog.IsEnabled());
    EXPECT_EQ((Commands_T{"reset", "bash -l", "ntpq -p", "reset"}), Commands());

    Drive(&interface::HiddenMenu, "4\n6\n8\n10\n");
    EXPECT_FALSE(MsgLog.IsEnabled() || ErrMsgLog.IsEnabled() || DebugLog.IsEnabled());

    // Quitting asks the main loop to stop and ends the console.
    screen = Drive(&interface::Start, Hidden + "1\n3\n");
    EXPECT_TRUE(StopControllerFlag);
    EXPECT_TRUE(ended);
    EXPECT_EQ(1u, Count(screen, HiddenMenuText));
    EXPECT_FALSE(MsgLog.IsEnabled());
}

}  // namespace
