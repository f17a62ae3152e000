// The data file routes on a running server: the listing and its line
// counts, downloads as stored and as CSV, names that must not reach the file
// system, the accounts they need, and downloads while the sampler's lock is
// held.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tinyxml.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "common/controller_mutexes.h"
#include "web_server_fixture.h"

using VN_Test::HttpReply_T;
using VN_Test::WebServerTest;

namespace {

const char* const Header =
    "Date,Time,1 Volts,1 Amps,1 Power,1 Aux\n"
    "Date,Time, Volts, Amps, Power,\n"
    "mm/dd/yyyy,hh:mm:ss,Volts,Amps,Watts,W/m2\n";
const char* const Line = "12/08/2026,05:46:16,3.4e+01,1.5e-05,5.2e-04,-9.999000e+03\n";

const char* const Curve =
    "<?xml version=\"1.0\" ?>\n<IV_Curves><Version>1.00</Version><Curve><ModuleID>1</ModuleID>"
    "<Points><Point><Volts>0.000000</Volts><Amps>9.000000</Amps></Point>"
    "<Point><Volts>30.000000</Volts><Amps>2.500000</Amps></Point></Points></Curve></IV_Curves>\n";

std::string Repeated(const std::string& text, int times) {
    std::string result;
    for (int i = 0; i < times; ++i) result += text;
    return result;
}

class WebDataFilesTest : public WebServerTest {
protected:
    void SetUp() override {
        AddAccounts();
        mkdir(dir.File("data").c_str(), 0755);
        mkdir(dir.File("data/vnd").c_str(), 0755);
        mkdir(dir.File("data/curves").c_str(), 0755);
        StartServer();
    }

    HttpReply_T UserGet(const std::string& uri) { return VN_Test::Get(port, uri, User, UserPassword); }

    // The listing's element of the name, or null.
    const TiXmlElement* Listed(TiXmlDocument& document, const char* list, const std::string& name) {
        const TiXmlElement* root = document.RootElement();
        const TiXmlElement* files = root != nullptr ? root->FirstChildElement(list) : nullptr;
        for (const TiXmlElement* file = files != nullptr ? files->FirstChildElement() : nullptr; file != nullptr;
             file = file->NextSiblingElement())
            if (name == file->Attribute("name")) return file;
        return nullptr;
    }

    TiXmlDocument Listing() {
        const HttpReply_T reply = UserGet("/user/data_files.xml");
        EXPECT_EQ(reply.status, 200);
        TiXmlDocument document;
        document.Parse(reply.body.c_str());
        return document;
    }
};

TEST_F(WebDataFilesTest, ListingGivesSizesCountsAndDatesInOrderAndFollowsAppends) {
    const std::string day1 = std::string(Header) + Repeated(Line, 3);
    const std::string day2 = std::string(Header) + Line + Header + Line + "12/08/2026,05:47";  // restarted; being written
    VN_Test::WriteFile(dir.File("data/vnd/vn12082026.vnd"), day1);
    VN_Test::WriteFile(dir.File("data/vnd/vn01152025.vnd"), day2);
    VN_Test::WriteFile(dir.File("data/vnd/notes.txt"), "not a day file\n");
    VN_Test::WriteFile(dir.File("data/curves/02_12082026_054803.xml"), Curve);
    VN_Test::WriteFile(dir.File("data/curves/01_12082026_054803_1.xml"), Curve);
    VN_Test::WriteFile(dir.File("data/curves/04_01152025_230000.xml"), Curve);
    VN_Test::WriteFile(dir.File("data/curves/last_iv_2.xml"), Curve);
    VN_Test::WriteFile(dir.File("data/curves/last_iv_2.xml.new"), Curve);

    TiXmlDocument document = Listing();
    const TiXmlElement* first = Listed(document, "DayFiles", "vn12082026.vnd");
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first->Attribute("date"), "2026-12-08");
    EXPECT_EQ(std::string(first->Attribute("size")), std::to_string(day1.size()));
    EXPECT_STREQ(first->Attribute("lines"), "3");
    const TiXmlElement* second = Listed(document, "DayFiles", "vn01152025.vnd");
    ASSERT_NE(second, nullptr);
    EXPECT_STREQ(second->Attribute("lines"), "2");
    EXPECT_EQ(second->NextSiblingElement(), first);  // by date, not by name
    EXPECT_EQ(Listed(document, "DayFiles", "notes.txt"), nullptr);

    const TiXmlElement* curves = document.RootElement()->FirstChildElement("CurveFiles");
    ASSERT_NE(curves, nullptr);
    const TiXmlElement* curve = curves->FirstChildElement("CurveFile");
    std::string order;
    for (; curve != nullptr; curve = curve->NextSiblingElement()) order += std::string(curve->Attribute("name")) + " ";
    EXPECT_EQ(order, "04_01152025_230000.xml 01_12082026_054803_1.xml 02_12082026_054803.xml ");
    const TiXmlElement* numbered = Listed(document, "CurveFiles", "01_12082026_054803_1.xml");
    ASSERT_NE(numbered, nullptr);
    EXPECT_STREQ(numbered->Attribute("module"), "1");
    EXPECT_STREQ(numbered->Attribute("date"), "2026-12-08");
    EXPECT_STREQ(numbered->Attribute("time"), "05:48:03");
    EXPECT_EQ(std::string(numbered->Attribute("size")), std::to_string(std::string(Curve).size()));
    const TiXmlElement* last = Listed(document, "LastCurves", "last_iv_2.xml");
    ASSERT_NE(last, nullptr);
    EXPECT_STREQ(last->Attribute("module"), "2");
    EXPECT_EQ(Listed(document, "LastCurves", "last_iv_2.xml.new"), nullptr);

    // The counts kept from the first listing must follow the file.
    VN_Test::WriteFile(dir.File("data/vnd/vn12082026.vnd"), day1 + Line + Line);
    document = Listing();
    first = Listed(document, "DayFiles", "vn12082026.vnd");
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first->Attribute("lines"), "5");
}

TEST_F(WebDataFilesTest, DayFileAsStoredIsByteIdentical) {
    const std::string stored = std::string(Header) + Repeated(Line, 4000) + "12/08/2026,05:4";
    VN_Test::WriteFile(dir.File("data/vnd/vn12082026.vnd"), stored);
    const HttpReply_T reply = UserGet("/user/data/vn12082026.vnd");
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, stored);
    EXPECT_EQ(reply.contentLength, static_cast<long long>(stored.size()));
    EXPECT_NE(reply.headers.find("Content-Disposition: attachment; filename=\"vn12082026.vnd\""), std::string::npos);
}

TEST_F(WebDataFilesTest, DayFileAsCsvHasOneRowPerDataLine) {
    VN_Test::WriteFile(dir.File("data/vnd/vn12082026.vnd"),
                       std::string(Header) + Repeated(Line, 2) + Header + Line + "12/08/2026,05:4");
    const HttpReply_T reply = UserGet("/user/data/vn12082026.vnd.csv");
    ASSERT_EQ(reply.curlCode, 0);
    EXPECT_EQ(reply.status, 200);
    EXPECT_NE(reply.headers.find("Content-Type: text/csv"), std::string::npos);
    EXPECT_NE(reply.headers.find("filename=\"vn12082026.csv\""), std::string::npos);
    const std::string row = "2026-12-08 05:46:16,3.4e+01,1.5e-05,5.2e-04,\r\n";
    EXPECT_EQ(reply.body, "Date Time (local),1 Volts (Volts),1 Amps (Amps),1 Power (Watts),1 Aux (W/m2)\r\n" +
                              Repeated(row, 3));
}

TEST_F(WebDataFilesTest, CurveFileAsStoredAndAsCsv) {
    VN_Test::WriteFile(dir.File("data/curves/01_12082026_054801.xml"), Curve);
    VN_Test::WriteFile(dir.File("data/curves/last_iv_1.xml"), Curve);
    EXPECT_EQ(UserGet("/user/curves/01_12082026_054801.xml").body, Curve);
    const HttpReply_T reply = UserGet("/user/curves/last_iv_1.xml.csv");
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body,
              "Volts (V),Amps (A),Watts (W)\r\n0.000000,9.000000,0.000000\r\n30.000000,2.500000,75.000000\r\n");
    VN_Test::WriteFile(dir.File("data/curves/last_iv_3.xml"), "<Settings />\n");
    EXPECT_EQ(UserGet("/user/curves/last_iv_3.xml.csv").status, 500);
}

TEST_F(WebDataFilesTest, NamesNotOfTheListedFormsAnswer404) {
    VN_Test::WriteFile(dir.File("settings.xml"), "<Settings secret=\"yes\" />\n");
    VN_Test::WriteFile(dir.File("data/settings.xml"), "<Settings secret=\"yes\" />\n");
    VN_Test::WriteFile(dir.File("data/vnd/vn12082026.vnd"), std::string(Header) + Line);
    VN_Test::WriteFile(dir.File("data/vnd/vn12082026.txt"), "other\n");
    VN_Test::WriteFile(dir.File("data/curves/01_12082026_054801.xml.new"), Curve);
    // A link in the group-writable folder must not hand out another file.
    ASSERT_EQ(symlink(dir.File("settings.xml").c_str(), dir.File("data/vnd/vn01012020.vnd").c_str()), 0);
    for (const char* uri :
         {"/user/data/settings.xml", "/user/data/../settings.xml", "/user/data/%2e%2e/settings.xml",
          "/user/data/..%2Fsettings.xml", "/user/data/..%2f..%2fsettings.xml", "/user/data/vn12082026.vnd/../../settings.xml",
          "/user/data/vn12082026.vnd%2F..%2F..%2Fsettings.xml", "/user/data/vn12082026.txt", "/user/data/vn12082026.vnd.xml",
          "/user/data/vn12082026.vnd.csv.csv", "/user/data/vn12082026.vndx", "/user/data/%20vn12082026.vnd",
          "/user/data/vn12082026.vnd%0A", "/user/data/", "/user/data/vn01012020.vnd",
          "/user/data/vn01012020.vnd.csv", "/user/curves/01_12082026_054801.xml.new", "/user/curves/../settings.xml",
          "/user/curves/%2e%2e%2fsettings.xml", "/user/curves/last_iv_1.xml%2F..%2F..%2Fsettings.xml",
          "/user/curves//etc/passwd", "/user/data_files.xml/x", "/user/data//" }) {
        SCOPED_TRACE(uri);
        const HttpReply_T reply = UserGet(uri);
        EXPECT_EQ(reply.status, 404);
        EXPECT_EQ(reply.body.find("secret"), std::string::npos);
    }
    EXPECT_EQ(UserGet("/user/data/vn12082026.vnd").status, 200);
    EXPECT_EQ(VN_Test::Post(port, "/user/data/vn12082026.vnd", "x", User, UserPassword).status, 404);
}

TEST_F(WebDataFilesTest, RoutesNeedAUserAccount) {
    VN_Test::WriteFile(dir.File("data/vnd/vn12082026.vnd"), std::string(Header) + Line);
    VN_Test::WriteFile(dir.File("data/curves/last_iv_1.xml"), Curve);
    for (const char* uri : {"/user/data_files.xml", "/user/data/vn12082026.vnd", "/user/data/vn12082026.vnd.csv",
                            "/user/curves/last_iv_1.xml", "/user/curves/last_iv_1.xml.csv"}) {
        SCOPED_TRACE(uri);
        EXPECT_EQ(VN_Test::Get(port, uri).status, 401);
        EXPECT_EQ(VN_Test::Get(port, uri, User, "wrong").status, 401);
        EXPECT_EQ(UserGet(uri).status, 200);
    }
    // The routes are matched whatever the case; the protected area is not.
    for (const char* uri : {"/USER/data/vn12082026.vnd", "/User/curves/last_iv_1.xml", "/uSer/data_files.xml"}) {
        SCOPED_TRACE(uri);
        const HttpReply_T reply = VN_Test::Get(port, uri);
        EXPECT_NE(reply.status, 200);
        EXPECT_EQ(reply.body.find("Volts"), std::string::npos);
    }
}

TEST_F(WebDataFilesTest, DownloadsDoNotWaitForTheSamplersLock) {
    const std::string stored = std::string(Header) + Repeated(Line, 60000);  // a few megabytes
    VN_Test::WriteFile(dir.File("data/vnd/vn12082026.vnd"), stored);
    std::lock_guard<std::mutex> held(systemMutex);
    std::atomic<int> done{0};
    HttpReply_T asStored;
    HttpReply_T asCsv;
    HttpReply_T listing;
    std::thread client([&] {
        asStored = UserGet("/user/data/vn12082026.vnd");
        asCsv = UserGet("/user/data/vn12082026.vnd.csv");
        listing = UserGet("/user/data_files.xml");
        done = 1;
    });
    const bool finished = VN_Test::WaitUntil([&] { return done == 1; }, 60000);
    client.join();  // the replies time out on their own when the lock was taken
    ASSERT_TRUE(finished);
    EXPECT_EQ(asStored.body.size(), stored.size());
    EXPECT_TRUE(asStored.body == stored);
    EXPECT_EQ(asCsv.curlCode, 0);
    EXPECT_EQ(std::count(asCsv.body.begin(), asCsv.body.end(), '\n'), 60001);
    EXPECT_NE(listing.body.find("lines=\"60000\""), std::string::npos);
}

}  // namespace
