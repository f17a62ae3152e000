// The FTP accounts' passwords: handed to chpasswd on its standard input (no
// shell), masked in the journal, refused when they would split its line or
// open the account; the start and reset sequences and their files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../settings/settings_station.h"
#include "accounts/account_change.h"
#include "accounts/ftp_accounts.h"

using VN_Sample::ChangeAccount;

namespace {

using Commands_T = std::vector<std::string>;

std::string FtpChange(const std::string& kind, const std::string& password) {
    return "<Users><Username type=\"" + kind + "\" password=\"" + password + "\"/></Users>";
}

const char* const Quiet = " > /dev/null 2> /dev/null";

Commands_T BackupOf(const std::vector<std::string>& commands) {
    Commands_T sequence = {std::string("mkdir /hda2") + Quiet, std::string("mount /dev/hda2 /hda2") + Quiet};
    for (const std::string& command : commands) sequence.push_back(command + Quiet);
    sequence.push_back(std::string("umount /hda2") + Quiet);
    return sequence;
}

// With an administrator, so no change ends in the open station's reset.
class FtpAccountsTest : public VN_Test::SettingsStation {
protected:
    void SetUp() override {
        ChangeAccount("<Users><Username type=\"web_admin\" new_username=\"boss\" password=\"pw-boss\"/></Users>");
    }
};

TEST_F(FtpAccountsTest, AChangeSetsThePasswordWithoutAShellAndBacksUpTheSystemFile) {
    // Quotes, dollars, backquotes and semicolons mean nothing on chpasswd's input.
    const std::string hostile = "p&quot; ; rm -rf /vn ; echo `id` $HOME &amp; x";
    MarkJournal();
    EXPECT_EQ(ChangeAccount(FtpChange("ftp_admin", hostile)), "");
    Commands_T expected = {"chpasswd < data_admin:********"};
    for (const std::string& command : BackupOf({"cp /etc/shadow /hda2/vn/shadow"})) expected.push_back(command);
    EXPECT_EQ(Commands(), expected);

    MarkJournal();
    EXPECT_EQ(ChangeAccount(FtpChange("ftp_user", "plain-pw-7")), "");
    ASSERT_FALSE(Commands().empty());
    EXPECT_EQ(Commands().front(), "chpasswd < data_user:********");

    const std::string journal = VN_Test::ReadFile(dir.File("shell_journal.log"));
    for (const std::string& secret : {std::string("rm -rf"), std::string("plain-pw-7")})
        EXPECT_EQ(journal.find(secret), std::string::npos) << journal;
}

TEST_F(FtpAccountsTest, PasswordsThatWouldSplitTheLineOrOpenTheAccountRunNothing) {
    const std::vector<std::string> refused = {
        "",                            // an empty password opens the account
        "a:b",                         // the name's separator
        "a&#10;b",                    // a second line
        "tab&#9;bed",                  // control characters
        std::string(78, 'p'),          // with "data_admin", over 87 characters
    };
    MarkJournal();
    for (const std::string& password : refused) {
        SCOPED_TRACE(password);
        EXPECT_EQ(ChangeAccount(FtpChange("ftp_admin", password)), "password");
    }
    EXPECT_EQ(Commands(), Commands_T{});
    EXPECT_TRUE(VN_Sample::AcceptableFtpPassword("data_admin", std::string(77, 'p')));
}

TEST_F(FtpAccountsTest, StartAndResetSequences) {
    MarkJournal();
    VN_Sample::SetStartFtpPasswords();
    EXPECT_EQ(Commands(), (Commands_T{"chpasswd < data_admin:********", "chpasswd < data_user:********",
                                      "cp /vn/shadow /etc/shadow"}));

    // The saved copies are really removed, so the defaults also hold after a restart.
    VN_Test::WriteFile(dir.File("shadow"), "saved\n");
    mkdir(dir.File("hda2").c_str(), 0755);
    mkdir(dir.File("hda2/vn").c_str(), 0755);
    VN_Test::WriteFile(dir.File("hda2/vn/shadow"), "backup\n");
    MarkJournal();
    VN_Sample::ResetFtpPasswords();
    Commands_T expected = {"chpasswd < data_admin:********", "chpasswd < data_user:********"};
    for (const std::string& command : BackupOf({"rm /hda2/vn/shadow", "rm /vn/shadow"})) expected.push_back(command);
    EXPECT_EQ(Commands(), expected);
    EXPECT_FALSE(VN_Test::FileExists(dir.File("shadow")));
    EXPECT_FALSE(VN_Test::FileExists(dir.File("hda2/vn/shadow")));
}

}  // namespace
