#include <gtest/gtest.h>

#include "test_support.h"
#include "vn_sim/unit_port_check.h"

namespace {

std::string HwConfig(const std::string& ports) {
    return "<HardwareConfiguration><CommandPorts>" + ports + "</CommandPorts></HardwareConfiguration>";
}

TEST(UnitPortCheck, NamesBothPortsWhenTheControllerCannotReachItsUnit) {
    VN_Test::TempDir dir;
    const std::string file = dir.File("hw_config.xml");
    EXPECT_EQ("", VN_Sim::UnitPortMismatch(3011, file));  // no file: no local unit to reach

    VN_Test::WriteFile(file, HwConfig("<Socket port=\"3011\"/>"));
    EXPECT_EQ("", VN_Sim::UnitPortMismatch(3011, file));
    VN_Test::WriteFile(file, HwConfig("<Socket/>"));
    EXPECT_EQ("", VN_Sim::UnitPortMismatch(3010, file));

    VN_Test::WriteFile(file, HwConfig("<Socket port=\"3010\"/>"));
    const std::string message = VN_Sim::UnitPortMismatch(3011, file);
    EXPECT_NE(std::string::npos, message.find("port 3011 (Host unit_port in sim_station.xml)")) << message;
    EXPECT_NE(std::string::npos, message.find("listen on port 3010")) << message;

    VN_Test::WriteFile(file, HwConfig("<COM1 baud=\"38400\"/>"));
    EXPECT_NE(std::string::npos, VN_Sim::UnitPortMismatch(3010, file).find("opens no Socket command port"));
}

}  // namespace
