// A remote unit reached over CAN as the controller's data source: the
// controller runs in a station of its own with only a CAN adapter card, the
// unit in a copy of the default station whose description joins a second
// chip of its first card to the controller's bus folder. The unit keeps its
// loads on its own bus.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <sstream>
#include <string>

#include "station_fixture.h"
#include "station_truth.h"
#include "test_support.h"

using VN_Test::Truth_T;

namespace {

const char* const ControllerSystemConfig =
    "<?xml version=\"1.0\" ?>\n"
    "<System_Config version=\"1\">\n"
    "    <GeneralSettings><OffLineReset interval=\"2\" /></GeneralSettings>\n"
    "    <Leds>\n"
    "        <Led id=\"0\" bit=\"0\" io_address=\"330\" />\n"
    "        <Led id=\"1\" bit=\"1\" io_address=\"330\" />\n"
    "    </Leds>\n"
    "    <DataSources>\n"
    "        <DataSource id=\"1\" port_type=\"CAN\" can_id=\"0\" can_address=\"300\" led=\"1\" />\n"
    "    </DataSources>\n"
    "</System_Config>\n";

const char* const ControllerChannels =
    "<?xml version=\"1.0\" ?>\n"
    "<System_Config version=\"1\">\n"
    "    <ModuleChannels>\n"
    "        <Channel id=\"1\" data_source=\"1\" /><Channel id=\"2\" data_source=\"1\" />\n"
    "        <Channel id=\"3\" data_source=\"1\" /><Channel id=\"4\" data_source=\"1\" />\n"
    "    </ModuleChannels>\n"
    "    <AuxInputs><AuxInput id=\"1\" data_source=\"1\" /></AuxInputs>\n"
    "    <Temperatures><Temperature id=\"1\" data_source=\"1\" /></Temperatures>\n"
    "</System_Config>\n";

// Every module at its maximum power point, no curves; an average stored every 2 s.
const char* const ControllerSettings =
    "<?xml version=\"1.0\" ?>\n"
    "<Settings version=\"1\">\n"
    "    <Sampler sample_period=\"1\" average_period=\"2\" delim=\",\" local_path=\"/data/vnd/\">\n"
    "        <StartTime hour=\"0\" min=\"0\" sec=\"0\" /><StopTime hour=\"23\" min=\"59\" sec=\"59\" />\n"
    "    </Sampler>\n"
    "    <Globals version=\"1\"><Loads power_mode=\"1\" /><Curves curve_mode=\"0\" /></Globals>\n"
    "</Settings>\n";

std::string ControllerStation(const std::string& linkFolder) {
    return "<?xml version=\"1.0\" ?>\n"
           "<SimStation>\n"
           "    <Host http_port=\"" +
           std::to_string(VN_Test::FreeTcpPort()) + "\" modbus_port=\"" + std::to_string(VN_Test::FreeTcpPort()) +
           "\" />\n"
           "    <CanBusses><Bus name=\"link\" folder=\"" +
           linkFolder +
           "\" /></CanBusses>\n"
           "    <Cards><Card address=\"300\" program=\"vn_controller\"><CanChip select=\"0\" bus=\"link\" /></Card></Cards>\n"
           "    <Leds><LedBank address=\"330\" program=\"vn_controller\" /></Leds>\n"
           "</SimStation>\n";
}

size_t CountOf(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

// Average lines in the controller's data files (a data line starts with its date).
size_t StoredLines(const std::string& folder) {
    size_t count = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::istringstream in(VN_Test::ReadFile(entry.path().string()));
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0]))) ++count;
        }
    }
    return count;
}

TEST(CanDataSourceEndToEnd, RemoteUnitOverCanIsSampledAndDriven) {
    VN_Test::TempDir controllerStation;
    const std::string linkFolder = controllerStation.File("can/link");
    VN_Test::WriteFile(controllerStation.File("sim_station.xml"), ControllerStation(linkFolder));
    VN_Test::WriteFile(controllerStation.File("system_config.xml"), ControllerSystemConfig);
    VN_Test::WriteFile(controllerStation.File("chan_config.xml"), ControllerChannels);
    VN_Test::WriteFile(controllerStation.File("settings.xml"), ControllerSettings);

    // The unit answers on CAN bus 2 (its first card's second interface) as
    // well as on its socket; its loads stay on bus 1.
    VN_Test::StationCopy unitStation;
    unitStation.Patch("hw_config.xml", "<CommandPorts>", "<CommandPorts>\n        <CAN canbus=\"2\" />");
    unitStation.Patch("hw_config.xml", "<Bus id=\"1\" card=\"1\" chan=\"0\" />",
                      "<Bus id=\"1\" card=\"1\" chan=\"0\" />\n        <Bus id=\"2\" card=\"1\" chan=\"1\" />");
    unitStation.Patch("sim_station.xml", "<CanBusses>",
                      "<CanBusses>\n        <Bus name=\"link\" folder=\"" + linkFolder + "\" />");
    unitStation.Patch("sim_station.xml", "<CanChip select=\"0\" bus=\"loads\" />",
                      "<CanChip select=\"0\" bus=\"loads\" />\n            <CanChip select=\"1\" bus=\"link\" />");

    VN_Test::ChildProcess unit(VN_FIRMWARE_PATH, unitStation.Path());
    VN_Test::ChildProcess controller(VN_CONTROLLER_PATH, controllerStation.Path());

    // Tracking needs the unit's description: the controller only drives
    // channels whose samples the unit has described to it.
    const std::string truthFile = unitStation.File("sim_truth.xml");
    Truth_T truth;
    ASSERT_TRUE(VN_Test::WaitForTruth(truthFile, VN_Test::AllFourTracking, 30000, &truth))
        << "controller:\n" << controller.Output() << "\nunit:\n" << unit.Output();
    for (const auto& module : truth.modules) EXPECT_GT(module.second.dac, 0) << "module " << module.first;

    // Once online the source stays online while it is sampled (three more
    // averages stored) and its loads are kept at their maximum power points.
    const size_t offlineBefore = CountOf(controller.Output(), "Offline error");
    const std::string dataFolder = controllerStation.File("data/vnd");
    const size_t linesBefore = StoredLines(dataFolder);
    EXPECT_TRUE(VN_Test::WaitUntil([&] { return StoredLines(dataFolder) >= linesBefore + 3; }, 30000))
        << controller.Output();
    EXPECT_TRUE(VN_Test::WaitForTruth(truthFile, VN_Test::AllFourTracking, 2000, &truth));
    EXPECT_EQ(offlineBefore, CountOf(controller.Output(), "Offline error")) << controller.Output();
    EXPECT_TRUE(controller.Running());
    EXPECT_TRUE(unit.Running());
    // Nothing in the controller's station started a unit of its own.
    EXPECT_FALSE(VN_Test::FileExists(controllerStation.File("sim_truth.xml")));
}

}  // namespace
