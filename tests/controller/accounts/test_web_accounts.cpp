// Web account changes posted to a web server on the password files of its
// working directory: the limits, the last administrator, refused words, and
// the list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "accounts/password_files.h"
#include "accounts/username_list.h"
#include "../web/web_server_fixture.h"
#include "test_support.h"

using VN_Sample::Username_T;

namespace {

std::string Change(const std::string& kind, const std::string& current, const std::string& name,
                   const std::string& password) {
    return "<Users><Username type=\"" + kind + "\" current_username=\"" + current + "\" new_username=\"" + name +
           "\" password=\"" + password + "\"/></Users>";
}

class WebAccountsTest : public VN_Test::WebServerTest {
protected:
    void SetUp() override { StartServer(); }

    // Posted as the administrator "boss" once there is one; the attribute the
    // reply names as refused, or "".
    std::string ChangeAccount(const std::string& body) {
        const bool open = !VN_Test::FileExists(dir.File("adminpasswds"));
        const VN_Test::HttpReply_T reply = open ? VN_Test::Post(port, "/admin/save_username", body)
                                                : VN_Test::Post(port, "/admin/save_username", body, "boss", "pw-boss");
        EXPECT_EQ(reply.status, 200) << body;
        const size_t at = reply.body.find("refused=\"");
        return at == std::string::npos ? "" : reply.body.substr(at + 9, reply.body.find('"', at + 9) - at - 9);
    }

    std::vector<std::string> Names(const char* file) {
        std::vector<Username_T> list;
        VN_Sample::LoadUsernames(list, VN_Sample::PasswordFilePath(file), "any");
        std::vector<std::string> names;
        for (const Username_T& entry : list) names.push_back(entry.username);
        return names;
    }
    std::vector<std::string> Admins() { return Names(VN_Sample::AdminPasswordFile); }
    std::vector<std::string> Users() { return Names(VN_Sample::UserPasswordFile); }

    // An administrator "boss" and users u1..u<count>.
    void Accounts(int users) {
        ChangeAccount(Change("web_admin", "unknown", "boss", "pw-boss"));
        for (int i = 1; i <= users; ++i)
            ChangeAccount(Change("web_user", "unknown", "u" + std::to_string(i), "pw-u" + std::to_string(i)));
    }
};

using Names_T = std::vector<std::string>;

TEST_F(WebAccountsTest, SevenUserEntriesAtMostAndOneAdministrator) {
    Accounts(6);
    EXPECT_EQ(Users().size(), 7u);
    ChangeAccount(Change("web_user", "unknown", "u7", "pw"));
    EXPECT_EQ(Users().size(), 7u);
    // A rename frees its entry first.
    ChangeAccount(Change("web_user", "u6", "u6b", "pw"));
    EXPECT_EQ(Users().back(), "u6b");
    EXPECT_EQ(Users().size(), 7u);

    ChangeAccount(Change("web_admin", "unknown", "second", "pw"));
    EXPECT_EQ(Admins(), Names_T{"boss"});
}

TEST_F(WebAccountsTest, RemovingTheLastAdministratorOpensTheStation) {
    Accounts(1);
    ChangeAccount(Change("web_admin", "boss", "boss", ""));
    EXPECT_FALSE(VN_Test::FileExists(dir.File("adminpasswds")));
    EXPECT_FALSE(VN_Test::FileExists(dir.File("userpasswds")));
}

TEST_F(WebAccountsTest, NamesAndPasswordsThatCannotBeStoredChangeNothing) {
    Accounts(1);
    const std::string tooLong(65, 'x');
    const std::string refused[] = {
        Change("web_user", "u1", "a:b", "pw"),        Change("web_user", "u1", "u1", "p:w"),
        Change("web_user", "u1", "u1", "p&#10;w"),    Change("web_user", "u1", "", "pw"),
        Change("web_user", "u1", tooLong, "pw"),      Change("web_user", "u1", "u1", tooLong),
        Change("web_admin", "boss", "b&#9;oss", "pw"),
    };
    for (const std::string& change : refused) {
        SCOPED_TRACE(change);
        EXPECT_NE(ChangeAccount(change), "");
        EXPECT_EQ(Users(), (Names_T{"boss", "u1"}));
        EXPECT_EQ(Admins(), Names_T{"boss"});
    }
    // Nor does a body without a Username.
    EXPECT_EQ(ChangeAccount("<Users/>"), "");
    EXPECT_EQ(Users(), (Names_T{"boss", "u1"}));
}

TEST_F(WebAccountsTest, TheListShowsAnAdministratorOnceAndTheFtpAccounts) {
    Accounts(2);
    const std::string list = VN_Test::Get(port, "/admin/username_settings.xml", "boss", "pw-boss").body;
    EXPECT_NE(list.find("<WebAdmin1 username=\"boss\" type=\"web_admin\""), std::string::npos) << list;
    EXPECT_NE(list.find("<WebUser1 username=\"u1\" type=\"web_user\""), std::string::npos) << list;
    EXPECT_NE(list.find("<WebUser2 username=\"u2\""), std::string::npos) << list;
    EXPECT_EQ(list.find("WebUser3"), std::string::npos) << list;
    EXPECT_NE(list.find("<FtpAdmin1 username=\"data_admin\" type=\"ftp_admin\" domain=\"vn_station\""),
              std::string::npos);
    EXPECT_NE(list.find("<FtpUser1 username=\"data_user\" type=\"ftp_user\""), std::string::npos);
    EXPECT_EQ(list.find("pw-"), std::string::npos);
}

}  // namespace
