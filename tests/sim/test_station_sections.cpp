#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform.h"
#include "port_io.h"
#include "test_support.h"
#include "vn_sim/station/station_installer.h"

namespace {

class StationSectionsTest : public ::testing::Test {
protected:
    ~StationSectionsTest() override { VN_Sim::RemoveStation(); }

    void Describe(const std::string& body) {
        VN_Test::WriteFile(dir.File("sim_station.xml"), "<?xml version=\"1.0\" ?><SimStation>" + body + "</SimStation>");
    }
    // The board version port of a card, 0xFF when nothing answers there.
    static int BoardVersion(unsigned base) { return VN_Lib::_inp(static_cast<int>(base + 14)); }

    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir workingDir{dir.Path()};
};

// The unit's cards, loads and modules live in the unit program; the
// controller's adapter card and its chip only in the controller.
TEST_F(StationSectionsTest, ProgramAttributeSeparatesTheDevices) {
    Describe(
        "<CanBusses><Bus name=\"link\" /></CanBusses>"
        "<Cards><Card address=\"300\"><CanChip select=\"1\" bus=\"link\" /></Card>"
        "<Card address=\"340\" program=\"vn_controller\"><CanChip select=\"0\" bus=\"link\" /></Card></Cards>"
        "<Modules><Module id=\"1\" bus=\"link\" address=\"5\">"
        "<Voltage card=\"300\" mux=\"1\" chan=\"0\" gain=\"0.1\" /></Module></Modules>"
        "<Leds program=\"vn_controller\"><LedBank address=\"320\" /></Leds>");

    ASSERT_EQ(VN_Lib::InitPlatform("vn_controller"), 0);
    VN_Sim::Station* station = VN_Sim::InstalledStation();
    EXPECT_EQ(BoardVersion(0x300), 0xFF);
    EXPECT_EQ(BoardVersion(0x340), 0x21);
    EXPECT_NE(station->Chip(0x340, 0), nullptr);
    EXPECT_FALSE(station->Model().HasModule(1));
    EXPECT_NE(station->Leds(0x320), nullptr);
    EXPECT_FALSE(VN_Test::FileExists(dir.File("sim_truth.xml")));

    ASSERT_EQ(VN_Lib::InitPlatform("vn_firmware"), 0);
    station = VN_Sim::InstalledStation();
    EXPECT_EQ(BoardVersion(0x300), 0x21);
    EXPECT_EQ(BoardVersion(0x340), 0xFF);
    EXPECT_NE(station->Chip(0x300, 1), nullptr);
    EXPECT_TRUE(station->Model().HasModule(1));
    EXPECT_EQ(station->Leds(0x320), nullptr);
    // Both programs made their end of the bus in the same wire folder.
    EXPECT_TRUE(VN_Test::FileExists(dir.File("can/link")));
}

TEST_F(StationSectionsTest, MalformedSectionsFailInitPlatformWithAClearMessage) {
    const std::string bus = "<CanBusses><Bus name=\"b\" /></CanBusses>";
    const std::string card = "<Cards><Card address=\"300\" /></Cards>";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<Cards><Card address=\"3g0\" /></Cards>", "attribute address is not a hexadecimal"},
        {"<Cards><Card /></Cards>", "attribute address is missing"},
        {"<Cards><Card address=\"300\" /><Card address=\"308\" /></Cards>", "overlap"},
        {"<Cards><Card address=\"300\" references=\"4 0.4 0.04\" /></Cards>", "needs 4 numbers"},
        {"<Cards><Card address=\"300\" noise_counts=\"1.5x\" /></Cards>", "noise_counts is not a number"},
        {"<Cards><Crd address=\"300\" /></Cards>", "unknown element in Cards"},
        {bus + "<Cards><Card address=\"300\"><CanChip select=\"3\" bus=\"b\" /></Card></Cards>", "chip select"},
        {card + "<Cards><Card address=\"310\" /></Cards>", "only one Cards section"},
        {"<Cards><Card address=\"300\"><CanChip select=\"0\" bus=\"x\" /></Card></Cards>", "no bus named x"},
        {"<CanBusses><Bus name=\"a/b\" /></CanBusses>", "must not be a path"},
        {"<CanBusses><Bus name=\"b\" /><Bus name=\"b\" /></CanBusses>", "given twice"},
        {bus + card + "<Modules><Module id=\"1\" bus=\"b\" address=\"16\" /></Modules>", "load address must be 0..15"},
        {bus + card + "<Modules><Module id=\"1\" bus=\"b\" address=\"1\" model=\"bifacial\" /></Modules>",
         "unknown module model"},
        {bus + card + "<Modules><Module id=\"1\" bus=\"b\" address=\"1\"><Load vmax=\"-5\" /></Module></Modules>",
         "no real device"},
        {bus + card + "<Modules><Module id=\"1\" bus=\"b\" address=\"1\"><Load heat_sink=\"2\" /></Module></Modules>",
         "no heat sink 2"},
        {bus + card +
             "<Modules><Module id=\"1\" bus=\"b\" address=\"1\" /><Module id=\"2\" bus=\"b\" address=\"1\" /></Modules>",
         "is taken"},
        {bus + card +
             "<Modules><Module id=\"1\" bus=\"b\" address=\"1\"><Voltage card=\"310\" mux=\"1\" chan=\"0\" gain=\"0.1\" />"
             "</Module></Modules>",
         "no card at 310 in vn_firmware"},
        {bus + card +
             "<Modules><Module id=\"1\" bus=\"b\" address=\"1\"><Current card=\"300\" mux=\"0\" chan=\"3\" gain=\"0.01\" />"
             "</Module></Modules>",
         "built into the card"},
        {card + "<Sensors><Pyranometer card=\"300\" mux=\"1\" chan=\"0\" /><Thermocouple type=\"K\" at=\"ambient\" "
                "card=\"300\" mux=\"1\" chan=\"0\" /></Sensors>",
         "wired twice"},
        {card + "<Sensors><Thermocouple type=\"E\" at=\"ambient\" card=\"300\" mux=\"1\" chan=\"0\" /></Sensors>",
         "type must be T, K or J"},
        {card + "<Sensors><Thermocouple type=\"T\" at=\"module\" id=\"9\" card=\"300\" mux=\"1\" chan=\"0\" /></Sensors>",
         "no module with id 9"},
        {card + "<Sensors><Pyranometer card=\"300\" mux=\"8\" chan=\"0\" /></Sensors>", "mux and chan must be 0..7"},
        {"<Environment mode=\"cloudy\" />", "mode must be fixed or clear_sky"},
        {"<Environment irradiance=\"-5\" />", "outside what the environment model covers"},
        {"<HeatSinks><HeatSink id=\"1\" full_resistance=\"0.5\" /></HeatSinks>", "full_resistance"},
        {card + "<Leds><LedBank address=\"30f\" /></Leds>", "overlap"},
        {"<Cards program=\"\"><Card address=\"300\" /></Cards>", "attribute program is empty"},
        {"<Truth period_ms=\"1\" />", "period_ms"},
    };
    for (const auto& entry : cases) {
        Describe(entry.first);
        testing::internal::CaptureStderr();
        EXPECT_NE(VN_Lib::InitPlatform("vn_firmware"), 0) << entry.first;
        std::string message = testing::internal::GetCapturedStderr();
        EXPECT_NE(message.find("sim_station.xml: "), std::string::npos) << message;
        EXPECT_NE(message.find(entry.second), std::string::npos) << entry.first << "\n" << message;
        EXPECT_NE(message.find(" at line "), std::string::npos) << message;
        // Nothing of the refused station answers on the ports.
        EXPECT_EQ(BoardVersion(0x300), 0xFF) << entry.first;
    }
}

// Items of another program are not looked at beyond their program
// attribute, so a unit does not fail on the controller's card.
TEST_F(StationSectionsTest, ItemsOfAnotherProgramAreLeftToIt) {
    Describe("<Cards><Card address=\"300\" program=\"vn_controller\"><CanChip select=\"0\" bus=\"none\" /></Card></Cards>");
    EXPECT_EQ(VN_Lib::InitPlatform("vn_firmware"), 0);
    testing::internal::CaptureStderr();
    EXPECT_NE(VN_Lib::InitPlatform("vn_controller"), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("no bus named none"), std::string::npos);
}

}  // namespace
