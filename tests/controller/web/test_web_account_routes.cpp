// Accounts over the web: the first administrator closes an open station, and
// passwords appear in no reply and no journal.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"
#include "web_server_fixture.h"

using VN_Test::WebServerTest;

namespace {

class WebAccountRoutesTest : public WebServerTest {
protected:
    void SetUp() override { StartServer(); }
};

TEST_F(WebAccountRoutesTest, TheFirstAdministratorClosesTheOpenStation) {
    const std::string password = "first-pw-31";
    EXPECT_EQ(VN_Test::Get(port, "/admin/username_settings.xml").status, 200);
    const VN_Test::HttpReply_T saved = VN_Test::Post(port, "/admin/save_username",
        "<Users><Username type=\"web_admin\" current_username=\"unknown\" new_username=\"chief\" password=\"" +
            password + "\"/></Users>");
    EXPECT_EQ(saved.status, 200);

    EXPECT_EQ(VN_Test::Get(port, "/admin/username_settings.xml").status, 401);
    EXPECT_EQ(VN_Test::Get(port, "/user/status.xml").status, 401);
    const VN_Test::HttpReply_T list = VN_Test::Get(port, "/admin/username_settings.xml", "chief", password);
    EXPECT_EQ(list.status, 200);
    EXPECT_NE(list.body.find("<WebAdmin1 username=\"chief\""), std::string::npos) << list.body;
    EXPECT_EQ(VN_Test::Get(port, "/user/status.xml", "chief", password).status, 200);

    for (const std::string& text : {saved.body, list.body, VN_Test::ReadFile(dir.File("shell_journal.log")),
                                    VN_Test::ReadFile(dir.File("adminpasswds"))})
        EXPECT_EQ(text.find(password), std::string::npos) << text;
}

TEST_F(WebAccountRoutesTest, ARefusedChangeNamesTheRefusedAttribute) {
    const std::string change = "<Users><Username type=\"ftp_user\" password=\"a:b\"/></Users>";
    const VN_Test::HttpReply_T refused = VN_Test::Post(port, "/admin/save_username", change);
    EXPECT_EQ(refused.status, 200);
    EXPECT_NE(refused.body.find("<Username refused=\"password\" />"), std::string::npos) << refused.body;
    const VN_Test::HttpReply_T accepted = VN_Test::Post(port, "/admin/save_username",
        "<Users><Username type=\"ftp_user\" password=\"fine-pw\"/></Users>");
    EXPECT_EQ(accepted.body.find("<Username"), std::string::npos) << accepted.body;
}

}  // namespace
