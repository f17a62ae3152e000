#include <gtest/gtest.h>

#include <string>

#include "cal_type.h"
#include "calibration_table.h"
#include "sys_error.h"
#include "test_support.h"

namespace VN_Test {
namespace {

class CalibrationTableTest : public ::testing::Test {
protected:
    // Loads text written to a file of the test's own directory.
    int Load(const std::string& text) {
        WriteFile(path, text);
        return table.LoadFromFile(path);
    }
    double Factor(int key) const { return table.Entries().at(key).conversion_factor; }

    TempDir dir;
    std::string path = dir.File("mod_voltage_cal.txt");
    CalibrationTable table;
};

TEST(CalTypeTest, FileNamesAndUnitsPerType) {
    EXPECT_STREQ(VN_Lib::CalFileName(VN_Lib::CAL_MODULE_VOLTAGE), "mod_voltage_cal.txt");
    EXPECT_STREQ(VN_Lib::CalFileName(VN_Lib::CAL_MODULE_CURRENT), "mod_current_cal.txt");
    EXPECT_STREQ(VN_Lib::CalFileName(VN_Lib::CAL_TEMPERATURE), "temperature_cal.txt");
    EXPECT_STREQ(VN_Lib::CalFileName(VN_Lib::CAL_AUX_INPUT), "aux_input_cal.txt");
    EXPECT_STREQ(VN_Lib::CalUnitsText(10), "V");
    EXPECT_STREQ(VN_Lib::CalUnitsText(20), "A");
    EXPECT_STREQ(VN_Lib::CalUnitsText(30), "");
    EXPECT_STREQ(VN_Lib::CalUnitsText(40), "?");
    for (int type : {0, 11, 25, 50, -10}) {
        EXPECT_FALSE(VN_Lib::IsCalType(type)) << type;
        EXPECT_STREQ(VN_Lib::CalFileName(type), "") << type;
    }
    for (int type : {10, 20, 30, 40}) EXPECT_TRUE(VN_Lib::IsCalType(type)) << type;
}

TEST_F(CalibrationTableTest, SavesHeaderAndEntriesInKeyOrder) {
    table.SetSerialNumber("VN-0042");
    table.SetDate("12/07/2026");
    table.AddEntry(12).conversion_factor = 101.25;
    table.AddEntry(3).conversion_factor = 0.0123456789;
    table.AddEntry(7);
    // AddEntry hands back the existing entry, it does not reset it.
    EXPECT_DOUBLE_EQ(table.AddEntry(12).conversion_factor, 101.25);
    EXPECT_DOUBLE_EQ(table.AddEntry(7).conversion_factor, 1.0);
    EXPECT_DOUBLE_EQ(table.AddEntry(7).second_value, 0.0);

    ASSERT_EQ(table.SaveToFile(path), 0);
    EXPECT_EQ(ReadFile(path),
              "SERIAL_NUMBER VN-0042\n"
              "DATE 12/07/2026\n"
              "ENTRY 3 0.012346 0.000000\n"
              "ENTRY 7 1.000000 0.000000\n"
              "ENTRY 12 101.250000 0.000000\n");

    CalibrationTable empty;
    empty.SetSerialNumber("S1");
    empty.SetDate("01/01/2027");
    ASSERT_EQ(empty.SaveToFile(path), 0);
    EXPECT_EQ(ReadFile(path), "SERIAL_NUMBER S1\nDATE 01/01/2027\n");
}

// The date arrives from the link: a line break in it must not add a line.
TEST_F(CalibrationTableTest, HeaderTextsStayOneWordOfTheFile) {
    table.SetDate("12/07/2026\nENTRY 5 9.0 0.0 and more text");
    table.SetSerialNumber("VN 7\t");
    ASSERT_EQ(table.SaveToFile(path), 0);
    EXPECT_EQ(ReadFile(path), "SERIAL_NUMBER VN_7_\nDATE 12/07/2026_ENTRY_5_9.0_0.0_and_\n");
    CalibrationTable loaded;
    ASSERT_EQ(loaded.LoadFromFile(path), 0);
    EXPECT_TRUE(loaded.Entries().empty());
    EXPECT_EQ(loaded.Date(), table.Date());
    EXPECT_EQ(loaded.SerialNumber(), "VN_7_");
}

TEST_F(CalibrationTableTest, RoundTripAndReloadReplacesEverything) {
    table.SetSerialNumber("SN7");
    table.SetDate("06/30/2026");
    table.AddEntry(1) = {2.5, 0.0};
    table.AddEntry(4) = {-0.125, 0.0};
    table.AddEntry(-2) = {1000.0, 0.0};
    ASSERT_EQ(table.SaveToFile(path), 0);

    CalibrationTable loaded;
    loaded.AddEntry(99);
    loaded.SetDate("stale");
    ASSERT_EQ(loaded.LoadFromFile(path), 0);
    EXPECT_EQ(loaded.SerialNumber(), "SN7");
    EXPECT_EQ(loaded.Date(), "06/30/2026");
    ASSERT_EQ(loaded.Entries().size(), 3u);
    EXPECT_DOUBLE_EQ(loaded.Entries().at(1).conversion_factor, 2.5);
    EXPECT_DOUBLE_EQ(loaded.Entries().at(4).conversion_factor, -0.125);
    EXPECT_DOUBLE_EQ(loaded.Entries().at(-2).conversion_factor, 1000.0);

    // A missing file empties the table as well.
    EXPECT_EQ(loaded.LoadFromFile(dir.File("absent.txt")), 402);
    EXPECT_TRUE(loaded.Entries().empty());
    EXPECT_EQ(loaded.Date(), "");
    EXPECT_EQ(loaded.SerialNumber(), "");
    EXPECT_EQ(loaded.LoadFromFile(dir.Path()), 402) << "a directory is no table";
}

TEST_F(CalibrationTableTest, SaveFailuresAreReported) {
    table.AddEntry(1);
    EXPECT_EQ(table.SaveToFile(dir.File("no_such_dir/mod_current_cal.txt")), VN_Lib::ERR_FILE_OPEN);
    EXPECT_EQ(table.SaveToFile(dir.Path()), VN_Lib::ERR_FILE_OPEN);
    if (FileExists("/dev/full")) {
        EXPECT_EQ(table.SaveToFile("/dev/full"), VN_Lib::ERR_FILE_OPEN) << "a write that fails is no save";
    }
}

TEST_F(CalibrationTableTest, LinesInAnyOrderFirstEntryOfAKeyWinsOtherLinesSkipped) {
    ASSERT_EQ(Load("ENTRY 3 2.5 0.0\n"
                   "# a comment\n"
                   "\n"
                   "DATE 01/02/2026\n"
                   "  ENTRY 3 9.0 0.0\n"
                   "VERSION 2\n"
                   "SERIAL_NUMBER X1 trailing words\r\n"
                   "ENTRY\t1\t0.5\t0.25\r\n"
                   "ENTRYX 2 7.0 0.0\n"
                   "ENTRY 5 1.5 0.0"),  // no final line break
              0);
    EXPECT_EQ(table.SerialNumber(), "X1");
    EXPECT_EQ(table.Date(), "01/02/2026");
    ASSERT_EQ(table.Entries().size(), 3u);
    EXPECT_DOUBLE_EQ(Factor(3), 2.5);
    EXPECT_DOUBLE_EQ(Factor(1), 0.5);
    EXPECT_DOUBLE_EQ(table.Entries().at(1).second_value, 0.25);
    EXPECT_DOUBLE_EQ(Factor(5), 1.5);
}

TEST_F(CalibrationTableTest, MalformedEntriesAreIgnored) {
    ASSERT_EQ(Load("ENTRY 1 abc 0\n"
                   "ENTRY 2 nan 0\n"
                   "ENTRY 3 inf 0\n"
                   // Finite, but saved with %f they would outgrow a line.
                   "ENTRY 5 1e262 0\n"
                   "ENTRY 7 2.0 -1e20\n"
                   "ENTRY 4 1.5\n"
                   "ENTRY 99999999999 1.5 0\n"
                   "ENTRY 6x 1.5 0\n"
                   "ENTRY\n"
                   "SERIAL_NUMBER\n"
                   "ENTRY 1 4.0 0\n"),
              0);
    ASSERT_EQ(table.Entries().size(), 1u);
    EXPECT_DOUBLE_EQ(Factor(1), 4.0) << "a malformed line must not claim its key";
    EXPECT_EQ(table.SerialNumber(), "");
}

TEST_F(CalibrationTableTest, OnlyTheFirst256KeysAreRead) {
    std::string text;
    for (int key = 300; key >= 1; --key) {
        text += "ENTRY " + std::to_string(key) + " " + std::to_string(key) + ".5 0.0\n";
        if (key == 200) text += "ENTRY 300 -1.0 0.0\n";  // a repeat takes no place in the table
    }
    ASSERT_EQ(Load(text), 0);
    ASSERT_EQ(table.Entries().size(), 256u);
    EXPECT_EQ(table.Entries().begin()->first, 45);
    EXPECT_EQ(table.Entries().rbegin()->first, 300);
    EXPECT_DOUBLE_EQ(Factor(300), 300.5);
    EXPECT_EQ(table.Entries().count(44), 0u);
}

TEST_F(CalibrationTableTest, LongLinesAndWordsAreCutNotSpilled) {
    std::string longWord(500, 'w');
    std::string line127 = "ENTRY 2 2.0 0.0";
    line127.resize(127, ' ');
    ASSERT_EQ(Load("DATE " + longWord + "\n" +
                   "SERIAL_NUMBER ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789\n"
                   // The tail past 127 characters would read as an entry of its own.
                   "COMMENT" + std::string(120, ' ') + "ENTRY 8 3.0 0.0\n" +
                   line127 + "\n" +  // exactly as long as a line may be
                   "ENTRY 9 " + std::string(200, '1') + " 0.0\n" +
                   "ENTRY 4 4.0 0.0\n"),
              0);
    EXPECT_EQ(table.Date(), std::string(31, 'w'));
    EXPECT_EQ(table.SerialNumber(), "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234");
    EXPECT_EQ(table.Entries().count(8), 0u);
    EXPECT_DOUBLE_EQ(Factor(2), 2.0);
    EXPECT_EQ(table.Entries().count(9), 0u) << "a factor cut at 127 characters is malformed";
    EXPECT_DOUBLE_EQ(Factor(4), 4.0);
}

TEST_F(CalibrationTableTest, BinaryGarbageIsSurvived) {
    std::string text = "ENTRY 1 2.0 0.0\n";
    for (int i = 0; i < 2000; ++i) text.push_back(static_cast<char>((i * 37) % 256));
    text += "\nENTRY 2 3.0 0.0\n";
    ASSERT_EQ(Load(text), 0);
    EXPECT_DOUBLE_EQ(Factor(1), 2.0);
    EXPECT_DOUBLE_EQ(Factor(2), 3.0);
}

}  // namespace
}  // namespace VN_Test
