// The web server runs from the controller's first moment, before it has read
// the station's files: a request that early must wait for them, not be
// answered with (or overwrite) the built-in defaults.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "station_fixture.h"
#include "test_support.h"
#include "web_client.h"

namespace {

TEST(WebFirstAnswerEndToEnd, SettingsAreTheStationsFromTheFirstAnswer) {
    VN_Test::StationCopy station;
    station.Patch("settings.xml", "sample_period=\"1\"", "sample_period=\"7\"");
    VN_Test::ChildProcess controller(VN_CONTROLLER_PATH, station.Path());
    const int port = station.HttpPort();

    VN_Test::HttpReply_T first;
    ASSERT_TRUE(VN_Test::WaitUntil(
        [&] {
            first = VN_Test::Get(port, "/admin/sample_settings.xml");
            return first.status == 200;
        },
        60000))
        << controller.Output();
    EXPECT_NE(first.body.find("sample_period=\"7\""), std::string::npos) << first.body;
}

}  // namespace
