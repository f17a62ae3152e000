// The unit's calibration file keeps its decimal point when something has made
// the process's locale one with a decimal comma.
#include <gtest/gtest.h>

#include <string>

#include "calibration_table.h"
#include "comma_locale.h"
#include "test_support.h"

namespace VN_Test {
namespace {

using UnitFilesUnderCommaLocale = CommaLocaleTest;

TEST_F(UnitFilesUnderCommaLocale, CalibrationFileIsWrittenAndReadWithAPoint) {
    TempDir dir;
    const std::string path = dir.File("mod_voltage_cal.txt");
    InProgramThread([&path] {
        CalibrationTable saved;
        saved.SetSerialNumber("VN-0042");
        saved.SetDate("12/07/2026");
        saved.AddEntry(3).conversion_factor = 101.25;
        saved.AddEntry(3).second_value = 0.5;
        ASSERT_EQ(0, saved.SaveToFile(path));
        EXPECT_EQ("SERIAL_NUMBER VN-0042\nDATE 12/07/2026\nENTRY 3 101.250000 0.500000\n", ReadFile(path));

        CalibrationTable loaded;
        ASSERT_EQ(0, loaded.LoadFromFile(path));
        ASSERT_EQ(1u, loaded.Entries().count(3));
        EXPECT_DOUBLE_EQ(101.25, loaded.Entries().at(3).conversion_factor);
        EXPECT_DOUBLE_EQ(0.5, loaded.Entries().at(3).second_value);
    });
}

}  // namespace
}  // namespace VN_Test
