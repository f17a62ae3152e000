// A unit program whose command port is COM1 on a simulated serial line,
// asked from this process over COM2 on the same line: the bytes cross the
// line's folder between the two processes at the configured rate.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "com_control.h"
#include "data_frame.h"
#include "platform.h"
#include "sys_error.h"
#include "test_support.h"
#include "vn_sim/station/station_installer.h"

namespace {

const char* const StationXml =
    "<?xml version=\"1.0\" ?>\n"
    "<SimStation>\n"
    "  <SerialLines>\n"
    "    <Line name=\"unit\" com=\"1\" />\n"
    "    <Line name=\"unit\" com=\"2\" program=\"vn_controller\" />\n"
    "  </SerialLines>\n"
    "</SimStation>\n";

const char* const HwConfig =
    "<?xml version=\"1.0\" ?>\n"
    "<HardwareConfiguration version=\"1\">\n"
    "  <Description><Model>VN5-COM</Model><BuildDate>03/04/2026</BuildDate>"
    "<SerialNumber>COM-3</SerialNumber></Description>\n"
    "  <CommandPorts><COM1 baud=\"19200\" /></CommandPorts>\n"
    "</HardwareConfiguration>\n";

class SerialCommandPortEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        VN_Test::WriteFile(dir.File("sim_station.xml"), StationXml);
        VN_Test::WriteFile(dir.File("hw_config.xml"), HwConfig);
        unit = std::make_unique<VN_Test::ChildProcess>(VN_FIRMWARE_PATH, dir.Path());
        ASSERT_EQ(VN_Lib::InitPlatform("vn_controller"), 0);
    }
    void TearDown() override {
        link.Close();
        VN_Sim::RemoveStation();
    }

    // Asks until the unit has opened its port and answers: until then the
    // request is lost on the line and the exchange times out.
    int Ask(VN_Lib::ComControl& port, CmdType code, VN_Lib::DataFrame& response, int deadlineMs) {
        int result = VN_Lib::ERR_TIMEOUT;
        VN_Test::WaitUntil([&] {
            std::string params;
            result = port.SendCommand(code, params, response, 1000);
            return result != VN_Lib::ERR_TIMEOUT;
        }, deadlineMs);
        return result;
    }

    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir workingDir{dir.Path()};
    std::unique_ptr<VN_Test::ChildProcess> unit;
    VN_Lib::ComControl link;
};

TEST_F(SerialCommandPortEndToEnd, UnitAnswersAtItsRateAndNotAtAnother) {
    VN_Lib::DataFrame response;
    ASSERT_EQ(link.OpenPort(2, 19200), 0);
    ASSERT_EQ(Ask(link, CmdReadConfiguration, response, 20000), 0) << unit->Output();
    int layout = 0;
    ASSERT_EQ(response.ExtractInt(&layout), 0);
    std::string text;
    ASSERT_EQ(response.ExtractString(text), 0);
    ASSERT_EQ(response.ExtractString(text), 0);
    EXPECT_EQ("COM-3", text);

    // The unit is up: a requester at another rate gets no answer.
    ASSERT_EQ(link.OpenPort(2, 38400), 0);
    std::string params;
    EXPECT_NE(link.SendCommand(CmdVersion, params, response, 1000), 0);
    ASSERT_EQ(link.OpenPort(2, 19200), 0);
    EXPECT_EQ(Ask(link, CmdVersion, response, 10000), 0) << "the unit still answers at its own rate";
}

}  // namespace
