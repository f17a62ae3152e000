// Day files and curves as CSV, and the line counts of the listing, from
// text in memory: header rows, invalid values, headers further on and a line
// still being written.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "common/durable_file.h"
#include "test_support.h"
#include "web/csv_conversion.h"
#include "web/day_file_lines.h"

namespace {

using VN_Sample::FilePtr;

const char* const Header =
    "Date,Time,1 Volts,1 Amps,1 Power,1 Aux,1 Temp\n"
    "Date,Time,Roof Volts,Roof Amps,Roof Power,Irradiance,\n"
    "mm/dd/yyyy,hh:mm:ss,Volts,Amps,Watts,W/m2,\n";
const char* const Line1 = "12/08/2026,05:46:04,3.4e+01,-9.999000e+03,0.000000e+00,9.99e+02,-9.999000e+03\n";
const char* const Line2 = "12/08/2026,05:46:16,3.5e+01,1.0e+00,3.5e+01,1.0e+03,2.5e+01\n";

struct Converted_T {
    bool complete = false;
    std::string csv;
};

FilePtr MemoryFile(std::string& text) { return FilePtr(fmemopen(&text[0], text.size(), "r")); }

Converted_T ToCsv(std::string text, uint64_t length) {
    FilePtr file = MemoryFile(text);
    Converted_T result;
    result.complete = VN_Sample::DayFileToCsv(file.get(), length, [&result](const std::string& piece) {
        result.csv += piece;
        return true;
    });
    return result;
}

Converted_T ToCsv(const std::string& text) { return ToCsv(text, text.size()); }

int64_t DataLines(std::string text, uint64_t length) {
    FilePtr file = MemoryFile(text);
    return VN_Sample::CountDataLines(file.get(), length);
}

TEST(DayFileCsvTest, OneHeaderRowWithUnitsAndInvalidValuesEmpty) {
    const Converted_T result = ToCsv(std::string(Header) + Line1 + Line2);
    EXPECT_TRUE(result.complete);
    EXPECT_EQ(result.csv,
              "Date Time (local),1 Volts: Roof (Volts),1 Amps: Roof (Amps),1 Power: Roof (Watts),"
              "1 Aux: Irradiance (W/m2),1 Temp\r\n"
              "2026-12-08 05:46:04,3.4e+01,,0.000000e+00,9.99e+02,\r\n"
              "2026-12-08 05:46:16,3.5e+01,1.0e+00,3.5e+01,1.0e+03,2.5e+01\r\n");
}

TEST(DayFileCsvTest, HeaderFurtherOnGivesNoRowAndItsDelimiterHolds) {
    const std::string restarted =
        "Date;Time;1 Volts\nDate;Time; Volts\nmm/dd/yyyy;hh:mm:ss;Volts\n12/09/2026;00:00:10;1,5e+01\n";
    const Converted_T result = ToCsv(std::string(Header) + Line1 + restarted);
    const std::string csv = result.csv;
    EXPECT_EQ(csv.find("Date Time"), 0u);
    EXPECT_EQ(csv.find("Date Time", 1), std::string::npos);
    EXPECT_EQ(csv.find("Date;"), std::string::npos);
    EXPECT_EQ(csv.find("mm/dd"), std::string::npos);
    // Three rows: the header and two data rows; a comma inside a value is quoted.
    EXPECT_NE(csv.find("\r\n2026-12-09 00:00:10,\"1,5e+01\"\r\n"), std::string::npos) << csv;
}

TEST(DayFileCsvTest, LineBeingWrittenIsLeftOut) {
    const std::string stored = std::string(Header) + Line1;
    const std::string partial = stored + "12/08/2026,05:46:16,3.5e+01,1.0";
    EXPECT_EQ(ToCsv(partial).csv, ToCsv(stored).csv);
    EXPECT_EQ(DataLines(partial, partial.size()), 1);
    // Only what there was at the opening counts, even when more follows.
    const std::string grown = stored + Line2;
    EXPECT_EQ(ToCsv(grown, stored.size() + 5).csv, ToCsv(stored).csv);
    EXPECT_EQ(DataLines(grown, stored.size() + 5), 1);
    EXPECT_EQ(DataLines(grown, grown.size()), 2);
}

TEST(DayFileCsvTest, CrLfLinesAndHeaderOnlyFile) {
    const Converted_T crlf = ToCsv("Date,Time,1 Aux\r\nDate,Time,Sun\r\nmm/dd/yyyy,hh:mm:ss,W/m2\r\n"
                                   "01/02/2027,03:04:05,7.0e+02\r\n");
    EXPECT_EQ(crlf.csv, "Date Time (local),1 Aux: Sun (W/m2)\r\n2027-01-02 03:04:05,7.0e+02\r\n");
    EXPECT_EQ(ToCsv(Header).csv.find("\r\n"), ToCsv(Header).csv.size() - 2);
}

TEST(DayFileCsvTest, DelimiterOfTheHeaderEvenWhenTheDateHoldsIt) {
    EXPECT_EQ(ToCsv("Date/Time/1 Aux\nDate/Time/\nmm/dd/yyyy/hh:mm:ss/\n12/08/2026/05:46:16/7.0e+02\n").csv,
              "Date Time (local),1 Aux\r\n2026-12-08 05:46:16,7.0e+02\r\n");
    EXPECT_EQ(ToCsv("Date\tTime\t1 Aux\n12/08/2026\t05:46:16\t-9999\n").csv,
              "Date Time (local),1 Aux\r\n2026-12-08 05:46:16,\r\n");
}

TEST(DayFileCsvTest, OverlongLineSkippedInBoundedMemory) {
    const std::string junk(VN_Sample::MaxDayFileLine + 10, '#');
    const std::string text = std::string(Header) + "12/08/2026," + junk + "\n" + Line2;
    EXPECT_EQ(DataLines(text, text.size()), 1);
    const Converted_T result = ToCsv(text);
    EXPECT_EQ(result.csv.find('#'), std::string::npos);
    EXPECT_NE(result.csv.find("2026-12-08 05:46:16"), std::string::npos);
}

TEST(DayFileCsvTest, StoppedSinkEndsTheConversion) {
    std::string text = Header;
    for (int i = 0; i < 5000; ++i) text += Line2;
    FilePtr file = MemoryFile(text);
    int pieces = 0;
    EXPECT_FALSE(VN_Sample::DayFileToCsv(file.get(), text.size(), [&pieces](const std::string&) {
        ++pieces;
        return false;
    }));
    EXPECT_EQ(pieces, 1);
}

TEST(CurveCsvTest, HeaderAndOnePointPerRow) {
    VN_Sample::IvCurve curve;
    curve.Points.resize(2);
    curve.Points[0].volts = 0.0;
    curve.Points[0].amps = 9.25;
    curve.Points[1].volts = 30.5;
    curve.Points[1].amps = 2.0;
    std::string csv;
    EXPECT_TRUE(VN_Sample::CurveToCsv(curve, [&csv](const std::string& piece) {
        csv += piece;
        return true;
    }));
    EXPECT_EQ(csv,
              "Volts (V),Amps (A),Watts (W)\r\n"
              "0.000000,9.250000,0.000000\r\n"
              "30.500000,2.000000,61.000000\r\n");
}

TEST(CurveCsvTest, LargeValuesKeepAllTheirDigits) {
    VN_Sample::IvCurve curve;
    curve.Points.resize(1);
    curve.Points[0].volts = 1e30;
    curve.Points[0].amps = -2e40;
    std::string csv;
    EXPECT_TRUE(VN_Sample::CurveToCsv(curve, [&csv](const std::string& piece) {
        csv += piece;
        return true;
    }));
    const std::string row = csv.substr(csv.find("\r\n") + 2);
    const std::vector<std::string> cells = VN_Test::CommaFields(row.substr(0, row.find("\r\n")));
    ASSERT_EQ(cells.size(), 3u) << row;
    EXPECT_DOUBLE_EQ(std::strtod(cells[0].c_str(), nullptr), 1e30);
    EXPECT_DOUBLE_EQ(std::strtod(cells[1].c_str(), nullptr), -2e40);
    EXPECT_DOUBLE_EQ(std::strtod(cells[2].c_str(), nullptr), -2e70);
}

}  // namespace
