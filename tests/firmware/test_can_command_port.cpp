// A unit program whose command port is a CAN bus, asked by a controller-side
// link on its own adapter card in this process: the frames cross the
// simulated bus between the two processes.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "analog104.h"
#include "can_bus.h"
#include "can_control.h"
#include "data_frame.h"
#include "platform.h"
#include "sys_error.h"
#include "test_support.h"
#include "vn_sim/station/station_installer.h"

namespace {

const char* const StationXml =
    "<?xml version=\"1.0\" ?>\n"
    "<SimStation>\n"
    "  <CanBusses><Bus name=\"link\" folder=\"can/link\" /></CanBusses>\n"
    "  <Cards>\n"
    "    <Card address=\"300\"><CanChip select=\"1\" bus=\"link\" /></Card>\n"
    "    <Card address=\"330\" program=\"vn_controller\"><CanChip select=\"0\" bus=\"link\" /></Card>\n"
    "  </Cards>\n"
    "</SimStation>\n";

const char* const HwConfig =
    "<?xml version=\"1.0\" ?>\n"
    "<HardwareConfiguration version=\"1\">\n"
    "  <Description><Model>VN5-CAN</Model><BuildDate>03/04/2026</BuildDate>"
    "<SerialNumber>CAN-7</SerialNumber></Description>\n"
    "  <CommandPorts><CAN canbus=\"1\" /></CommandPorts>\n"
    "  <Cards><Card id=\"1\" address=\"300\" /></Cards>\n"
    "  <CAN_Busses><Bus id=\"1\" card=\"1\" chan=\"1\" /></CAN_Busses>\n"
    "</HardwareConfiguration>\n";

class CanCommandPortEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        VN_Test::WriteFile(dir.File("sim_station.xml"), StationXml);
        VN_Test::WriteFile(dir.File("hw_config.xml"), HwConfig);
        unit = std::make_unique<VN_Test::ChildProcess>(VN_FIRMWARE_PATH, dir.Path());
        ASSERT_EQ(VN_Lib::InitPlatform("vn_controller"), 0);
        adapter = std::make_unique<VN_Lib::Analog104>(0x330);
        auto bus = std::make_unique<VN_Lib::CanBus>();
        ASSERT_EQ(bus->Initialize(adapter.get(), 0), 0);
        ASSERT_EQ(link.OpenOwnedPort(std::move(bus)), 0);
    }
    void TearDown() override {
        link.Close();
        link.OpenOwnedPort(nullptr);  // releases the bus before its card
        adapter.reset();
        VN_Sim::RemoveStation();
    }

    // Asks until the unit has started and answers: until then nobody on the
    // bus acknowledges and every attempt times out at once.
    int Ask(CmdType code, VN_Lib::DataFrame& response) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        int result = 0;
        do {
            std::string params;
            result = link.SendCommand(code, params, response, 1000);
            if (result != VN_Lib::ERR_TIMEOUT) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        } while (std::chrono::steady_clock::now() < deadline);
        return result;
    }

    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir workingDir{dir.Path()};
    std::unique_ptr<VN_Test::ChildProcess> unit;
    std::unique_ptr<VN_Lib::Analog104> adapter;
    VN_Lib::CanControl link;
};

TEST_F(CanCommandPortEndToEnd, VersionAndDescriptionCrossTheBus) {
    VN_Lib::DataFrame response;
    ASSERT_EQ(Ask(CmdVersion, response), 0) << unit->Output();
    std::string version;
    ASSERT_EQ(response.ExtractString(version), 0);
    EXPECT_EQ("5.11", version);

    ASSERT_EQ(Ask(CmdReadConfiguration, response), 0) << unit->Output();
    int layout = 0;
    ASSERT_EQ(response.ExtractInt(&layout), 0);
    EXPECT_EQ(2, layout);
    std::string text;
    ASSERT_EQ(response.ExtractString(text), 0);
    EXPECT_EQ("5.11", text);
    ASSERT_EQ(response.ExtractString(text), 0);
    EXPECT_EQ("CAN-7", text);
}

}  // namespace
