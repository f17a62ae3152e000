// The three-unit station run as the run command runs it: the controller with
// its local unit (data source 0), a remote unit on a serial line (1) and one
// on CAN (2), each unit under its own weather. The day file holds every
// module of every unit near its own unit's ground truth, and a remote unit
// that dies and is started again comes back while the local unit's columns
// stay valid, as does a unit whose link is broken on purpose.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "multi_station_fixture.h"
#include "station_truth.h"
#include "test_support.h"

using VN_Test::Truth_T;

namespace {

// A unit of the station: its data source, how many of each input it has (as
// its hw_config.xml), and the folder its truth is written in.
struct Unit_T {
    const char* name;
    int source;
    int modules;
    int auxInputs;
    int temperatures;
    VN_Test::StationCopy* folder;
};

using Line_T = std::vector<std::string>;

// The controller's newest day file: the column of each id header field
// ("101 Power", "201 Aux") and the data lines.
struct DayFile_T {
    std::map<std::string, size_t> columns;
    std::vector<Line_T> lines;
};

DayFile_T ReadDayFile(const std::string& folder) {
    std::filesystem::path newest;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (newest.empty() || entry.last_write_time(error) > std::filesystem::last_write_time(newest, error)) {
            newest = entry.path();
        }
    }
    DayFile_T day;
    std::istringstream in(VN_Test::ReadFile(newest.string()));
    for (std::string line; std::getline(in, line);) {
        if (day.columns.empty() && line.rfind("Date,", 0) == 0) {
            const Line_T header = VN_Test::CommaFields(line);
            for (size_t i = 0; i < header.size(); ++i) day.columns[header[i]] = i;
        } else if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0]))) {
            day.lines.push_back(VN_Test::CommaFields(line));
        }
    }
    return day;
}

// A column's value in a line; the controller's invalid value when the column is missing.
double Value(const DayFile_T& day, const Line_T& line, int id, const char* kind) {
    const auto column = day.columns.find(std::to_string(id) + " " + kind);
    if (column == day.columns.end() || column->second >= line.size()) return -9999.0;
    return std::strtod(line[column->second].c_str(), nullptr);
}

bool Valid(double value) { return value > -9000.0; }

// Every column of the unit in the line holds a reading.
bool UnitValid(const DayFile_T& day, const Line_T& line, const Unit_T& unit) {
    const int base = unit.source * 100;
    for (int m = 1; m <= unit.modules; ++m) {
        for (const char* kind : {"Volts", "Amps", "Power"}) {
            if (!Valid(Value(day, line, base + m, kind))) return false;
        }
    }
    for (int a = 1; a <= unit.auxInputs; ++a) {
        if (!Valid(Value(day, line, base + a, "Aux"))) return false;
    }
    for (int t = 1; t <= unit.temperatures; ++t) {
        if (!Valid(Value(day, line, base + t, "Temp"))) return false;
    }
    return true;
}

// No column of the unit holds a reading: the unit was offline the whole period.
bool UnitInvalid(const DayFile_T& day, const Line_T& line, const Unit_T& unit) {
    for (int m = 1; m <= unit.modules; ++m) {
        if (Valid(Value(day, line, unit.source * 100 + m, "Power"))) return false;
    }
    return true;
}

Truth_T TruthOf(const Unit_T& unit) {
    Truth_T truth;
    VN_Test::ReadTruth(unit.folder->File("sim_truth.xml"), &truth);
    return truth;
}

// The unit's columns of the last three lines against its truth: every module
// near its maximum power in one of them (the tracker steps around it), the
// pyranometer, the module thermocouples and the air in the last.
void ExpectNearTruth(const DayFile_T& day, const Unit_T& unit, const Truth_T& truth) {
    SCOPED_TRACE(unit.name);
    ASSERT_GE(day.lines.size(), 3u);
    ASSERT_EQ(static_cast<size_t>(unit.modules), truth.modules.size());
    const int base = unit.source * 100;
    for (const auto& [id, module] : truth.modules) {
        double best = 0;
        for (size_t i = day.lines.size() - 3; i < day.lines.size(); ++i) {
            best = std::max(best, Value(day, day.lines[i], base + id, "Power"));
        }
        EXPECT_NEAR(best, module.pmax, 0.03 * module.pmax) << "module " << base + id;
        EXPECT_NEAR(Value(day, day.lines.back(), base + id, "Temp"), module.cellTemperature, 1.0)
            << "module " << base + id;
    }
    EXPECT_NEAR(Value(day, day.lines.back(), base + 1, "Aux"), truth.irradiance, 0.02 * truth.irradiance);
    EXPECT_NEAR(Value(day, day.lines.back(), base + unit.temperatures, "Temp"), truth.ambient, 1.0);
}

class MultiUnitStationEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        // Short periods keep the run short: 1 s samples, 3 s averages, offline
        // units tried every 2 s, no curves to disturb the averages.
        VN_Test::StationCopy& controller = station.Controller();
        controller.Patch("settings.xml", "average_period=\"10\"", "average_period=\"3\"");
        controller.Patch("settings.xml", "<Curves curve_mode=\"1\" />", "<Curves curve_mode=\"0\" />");
        controller.Patch("system_config.xml", "<OffLineReset interval=\"5\" />", "<OffLineReset interval=\"2\" />");
        for (Unit_T* unit : {&comUnit, &canUnit}) Start(*unit);
        controllerProgram = std::make_unique<VN_Test::ChildProcess>(VN_CONTROLLER_PATH, controller.Path());
    }

    void Start(const Unit_T& unit) {
        remotePrograms[unit.source] = std::make_unique<VN_Test::ChildProcess>(VN_FIRMWARE_PATH, unit.folder->Path());
    }

    DayFile_T Day() { return ReadDayFile(station.Controller().File("data/vnd")); }

    std::string Outputs() {
        std::string text = "controller:\n" + controllerProgram->Output();
        for (const auto& [source, program] : remotePrograms) {
            text += "\nunit " + std::to_string(source) + ":\n" + program->Output();
        }
        return text;
    }

    // Every unit tracking its modules and a stored line with every column valid.
    bool AllUnitsStored() {
        for (const Unit_T* unit : {&localUnit, &comUnit, &canUnit}) {
            if (!VN_Test::AllModulesTracking(TruthOf(*unit))) return false;
        }
        const DayFile_T day = Day();
        if (day.lines.empty()) return false;
        for (const Unit_T* unit : {&localUnit, &comUnit, &canUnit}) {
            if (!UnitValid(day, day.lines.back(), *unit)) return false;
        }
        return true;
    }

    // Waits until count more lines are stored after the ones stored now.
    bool WaitForLines(size_t count) {
        const size_t before = Day().lines.size();
        return VN_Test::WaitUntil([&] { return Day().lines.size() >= before + count; }, 60000);
    }

    // Breaks the remote unit off (breakOff), waits for its columns to go
    // invalid, mends it and waits for them to come back valid near its
    // truth. The other units' columns stay valid all along, and the unit's
    // return is logged, as its loss was.
    void BreakAndMend(const Unit_T& unit, const std::function<void()>& breakOff, const std::function<void()>& mend) {
        SCOPED_TRACE(unit.name);
        const std::string online = "Online DS=" + std::to_string(unit.source) + " at ";
        const size_t returnsBefore = Occurrences(controllerProgram->Output(), online);
        const size_t first = Day().lines.size();
        breakOff();
        ASSERT_TRUE(VN_Test::WaitUntil(
            [&] {
                const DayFile_T day = Day();
                return day.lines.size() > first && UnitInvalid(day, day.lines.back(), unit);
            },
            60000))
            << Outputs();
        mend();
        ASSERT_TRUE(VN_Test::WaitUntil(
            [&] {
                const DayFile_T day = Day();
                return VN_Test::AllModulesTracking(TruthOf(unit)) && UnitValid(day, day.lines.back(), unit);
            },
            60000))
            << Outputs();
        const DayFile_T day = Day();
        EXPECT_NEAR(Value(day, day.lines.back(), unit.source * 100 + 1, "Aux"), TruthOf(unit).irradiance,
                    0.02 * TruthOf(unit).irradiance);
        for (size_t i = first; i < day.lines.size(); ++i) {
            for (const Unit_T* other : {&localUnit, &comUnit, &canUnit}) {
                if (other == &unit) continue;
                EXPECT_TRUE(UnitValid(day, day.lines[i], *other)) << other->name << " line " << i;
            }
        }
        EXPECT_GT(Occurrences(controllerProgram->Output(), online), returnsBefore) << Outputs();
    }

    void KillAndRestart(const Unit_T& unit) {
        BreakAndMend(
            unit, [&] { remotePrograms[unit.source]->Kill(SIGKILL); },
            [&] {
                // The dead program's truth must not pass for the new one's.
                std::filesystem::remove(unit.folder->File("sim_truth.xml"));
                Start(unit);
            });
    }

    static size_t Occurrences(const std::string& text, const std::string& what) {
        size_t count = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
        return count;
    }

    VN_Test::MultiStationCopy station;
    Unit_T localUnit{"local unit", 0, 4, 2, 5, &station.Controller()};
    Unit_T comUnit{"unit on the serial line", 1, 2, 1, 3, &station.ComUnit()};
    Unit_T canUnit{"unit on CAN", 2, 3, 1, 4, &station.CanUnit()};
    std::map<int, std::unique_ptr<VN_Test::ChildProcess>> remotePrograms;
    std::unique_ptr<VN_Test::ChildProcess> controllerProgram;
};

TEST_F(MultiUnitStationEndToEnd, EveryModuleOfEveryUnitIsStoredNearItsOwnTruth) {
    ASSERT_TRUE(VN_Test::WaitUntil([&] { return AllUnitsStored(); }, 90000)) << Outputs();
    ASSERT_TRUE(WaitForLines(3)) << Outputs();
    const DayFile_T day = Day();
    // One module triple per module of every unit, an aux column per pyranometer.
    EXPECT_EQ(static_cast<size_t>(2 + 3 * (4 + 2 + 3) + (2 + 1 + 1) + (5 + 3 + 4)), day.lines.back().size());
    for (const Unit_T* unit : {&localUnit, &comUnit, &canUnit}) ExpectNearTruth(day, *unit, TruthOf(*unit));
}

TEST_F(MultiUnitStationEndToEnd, KilledRemoteUnitsComeBackWhileTheOtherUnitsStayValid) {
    ASSERT_TRUE(VN_Test::WaitUntil([&] { return AllUnitsStored(); }, 90000)) << Outputs();
    KillAndRestart(comUnit);
    KillAndRestart(canUnit);
    EXPECT_TRUE(controllerProgram->Running());
}

// The serial unit answering garbage, breaking off mid-frame, or too late,
// then the CAN unit falling silent, answering garbage, breaking off
// mid-message or answering too late: only the faulty unit's source goes
// offline, and it comes back when its link is sound.
TEST_F(MultiUnitStationEndToEnd, LinkFaultsTakeOnlyTheirUnitOfflineUntilMended) {
    ASSERT_TRUE(VN_Test::WaitUntil([&] { return AllUnitsStored(); }, 90000)) << Outputs();
    const std::string lineFault = station.Root() + "/lines/unit1/fault";
    for (const char* kind : {"garbage", "cut", "slow 4000"}) {
        SCOPED_TRACE(kind);
        BreakAndMend(
            comUnit, [&] { VN_Test::WriteFile(lineFault, kind); }, [&] { std::filesystem::remove(lineFault); });
    }
    // The CAN unit's own replies on the bus it shares with the controller.
    const std::string busFault = canUnit.folder->File("can_fault_link");
    for (const char* kind : {"mute", "garbage", "cut", "slow 4000"}) {
        SCOPED_TRACE(kind);
        BreakAndMend(
            canUnit, [&] { VN_Test::WriteFile(busFault, kind); }, [&] { std::filesystem::remove(busFault); });
    }
    EXPECT_TRUE(controllerProgram->Running());
}

}  // namespace
