// Calibration and load commands over the web against a scripted unit.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "command_message.h"
#include "fake_unit.h"
#include "socket_control.h"
#include "web_server_fixture.h"

using VN_Test::WebServerTest;

namespace {

// Data source 1 on a scripted unit, with module channel 101 (its module 1).
class WebCalibrationTest : public WebServerTest {
protected:
    void SetUp() override {
        AddAccounts();
        VN_Sample::DataSource& source = system.dataSources[1];
        auto link = std::make_unique<VN_Lib::SocketControl>();
        ASSERT_EQ(link->OpenClientSocket(unit.Port()), 0);
        source.SetPort(link.release());
        source.versionNumber = 511;
        source.moduleSamples[1];
        VN_Sample::ModuleChannel& channel = system.moduleChannels[101];
        channel.dataSourceId = 1;
        channel.localId = 1;
        source.SetOnlineState(true);
        source.SetActiveState(true);
        StartServer();
    }

    VN_Test::FakeUnit unit;
};

TEST_F(WebCalibrationTest, LoadAndSaveAnswerTheUnitsResultOrNoneOr999) {
    struct Case_T {
        const char* uri;
        const char* body;
        int unitResult;  // -1: the unit is not asked
        const char* reply;
    };
    const Case_T cases[] = {
        {"/admin/load_calibration", "<Cal type=\"module_voltage\"/>", 0, "<LoadCalibration error=\"none\" />"},
        {"/admin/load_calibration", "<Cal type=\"aux_input\"/>", 7, "<LoadCalibration error=\"7\" />"},
        {"/admin/load_calibration", "<Cal type=\"temperature\"/>", -1, "<LoadCalibration error=\"999\" />"},
        {"/admin/load_calibration", "<Cal/>", -1, "<LoadCalibration error=\"999\" />"},
        {"/admin/load_calibration", "not a document", -1, "<LoadCalibration error=\"999\" />"},
        {"/admin/save_calibration", "<Cal type=\"module_current\"/>", 0, "<SaveCalibration error=\"none\" />"},
        {"/admin/save_calibration", "", -1, "<SaveCalibration error=\"999\" />"},
    };
    size_t asked = 0;
    for (const Case_T& item : cases) {
        SCOPED_TRACE(std::string(item.uri) + " " + item.body);
        if (item.unitResult >= 0) {
            unit.Answer(item.uri[7] == 'l' ? CmdLoadCalibration : CmdSaveCalibration,
                        item.unitResult);
            ++asked;
        }
        const VN_Test::HttpReply_T reply = AdminPost(item.uri, item.body);
        EXPECT_NE(reply.body.find(item.reply), std::string::npos) << reply.body;
        EXPECT_EQ(unit.Requests().size(), asked);
    }
}

TEST_F(WebCalibrationTest, CalibrateTakesOneAndAdjustingUnlessTold) {
    struct Case_T {
        const char* body;
        const char* request;  // as the unit receives it, up to the sample count
        char adjust;          // the request's last field
    };
    const Case_T cases[] = {
        {"<Cal type=\"module_voltage\" id=\"101\"/>", "201,10,1,1.000000,", '1'},
        {"<Cal type=\"module_current\" id=\"101\" actual=\"5.5\" adjust=\"0\"/>", "201,20,1,5.500000,", '0'},
    };
    for (const Case_T& item : cases) {
        SCOPED_TRACE(item.body);
        unit.Answer(CmdCalibrate, 1);  // refused: the record keeps what it was given, and says why
        const VN_Test::HttpReply_T reply = AdminPost("/admin/calibrate", item.body);
        EXPECT_EQ(reply.status, 200);
        EXPECT_NE(reply.body.find("error=\"1\""), std::string::npos) << reply.body;
        const std::vector<std::string> requests = unit.Requests();
        ASSERT_FALSE(requests.empty());
        EXPECT_EQ(requests.back().rfind(item.request, 0), 0u) << requests.back();
        EXPECT_EQ(requests.back().back(), item.adjust);
    }
}

TEST_F(WebCalibrationTest, CalibrateThatMeasuredNothingCarriesAnError) {
    struct Case_T {
        const char* body;
        const char* error;
    };
    const Case_T cases[] = {
        {"<Cal type=\"module_voltage\" id=\"99\"/>", "error=\"UNKNOWN\""},  // no such channel
        {"<Cal type=\"temperature\" id=\"101\"/>", "error=\"999\""},
        {"<Cal id=\"101\"/>", "error=\"999\""},
        {"not a document", "error=\"999\""},
    };
    for (const Case_T& item : cases) {
        SCOPED_TRACE(item.body);
        std::string error = item.error;
        const size_t unknown = error.find("UNKNOWN");
        if (unknown != std::string::npos)
            error.replace(unknown, 7, std::to_string(VN_Sample::DataSystem::ErrUnknownModule));
        const VN_Test::HttpReply_T reply = AdminPost("/admin/calibrate", item.body);
        EXPECT_NE(reply.body.find(error), std::string::npos) << reply.body;
    }
    EXPECT_TRUE(unit.Requests().empty());
}

TEST_F(WebCalibrationTest, AllLoadsOffAnswersZeroWithoutAnyUnit) {
    system.dataSources.clear();
    system.moduleChannels.clear();
    EXPECT_NE(AdminGet("/admin/all_loads_off").body.find("<AllLoadsOff error=\"0\" />"), std::string::npos);
}

}  // namespace
