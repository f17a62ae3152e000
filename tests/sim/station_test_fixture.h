#ifndef VN_TEST_STATION_TEST_FIXTURE_H
#define VN_TEST_STATION_TEST_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "analog104.h"
#include "platform.h"
#include "test_support.h"
#include "vn_sim/station/station_installer.h"

namespace VN_Test {

// The shipped default station installed for the unit program in a fresh
// station folder. Drivers the test makes must be released (ReleaseDrivers)
// before the station is removed, as on the station their card outlives them.
class StationTest : public ::testing::Test {
protected:
    // Wiring of the default station (sim_station/sim_station.xml).
    static constexpr int ModuleCount = 4;
    static constexpr double DividerGain = 0.1;
    static constexpr double ShuntGain = 0.01;
    static constexpr double VoltageTolerance[ModuleCount] = {0.0031, -0.0022, 0.0045, -0.0008};
    static constexpr double CurrentTolerance[ModuleCount] = {-0.0027, 0.0038, 0.0012, -0.0041};
    static constexpr unsigned ModuleCard = 0x300;
    static constexpr unsigned SensorCard = 0x310;

    void SetUp() override {
        std::string text = ReadFile(std::string(VN_SOURCE_DIR) + "/sim_station/sim_station.xml");
        ASSERT_FALSE(text.empty());
        WriteFile(dir.File("sim_station.xml"), text);
        ASSERT_EQ(VN_Lib::InitPlatform("vn_firmware"), 0);
        station = VN_Sim::InstalledStation();
        ASSERT_NE(station, nullptr);
    }
    void TearDown() override {
        ReleaseDrivers();
        VN_Sim::RemoveStation();
    }
    virtual void ReleaseDrivers() {}

    // A driver for a card of the station, initialised from its EEPROM constants.
    static std::unique_ptr<VN_Lib::Analog104> Card(unsigned base) {
        auto card = std::make_unique<VN_Lib::Analog104>(static_cast<int>(base));
        card->Initialize(true);
        return card;
    }

    VN_Sim::ModuleState_T Module(int id) {
        VN_Sim::ModuleState_T state;
        EXPECT_EQ(station->Model().Module(id, &state), 0);
        return state;
    }

    TempDir dir;
    ScopedWorkingDir workingDir{dir.Path()};
    VN_Sim::Station* station = nullptr;
};

}  // namespace VN_Test

#endif
