// The data file names the web takes: exactly the sampler's forms, with the
// date, time and module read from them.
#include <gtest/gtest.h>

#include <string>

#include "web/data_file_names.h"

namespace {

using VN_Sample::CurveFileName_T;
using VN_Sample::DayFileName_T;

TEST(DataFileNamesTest, DayFileNameGivesItsDate) {
    DayFileName_T parsed;
    ASSERT_TRUE(VN_Sample::ParseDayFileName("vn12082026.vnd", &parsed));
    EXPECT_EQ(VN_Sample::IsoDate(parsed.year, parsed.month, parsed.day), "2026-12-08");
    for (const char* name : {"vn1208202.vnd", "vn120820266.vnd", "vn12082026.vnd ", "vn12082026.VND", "Vn12082026.vnd",
                             "vn12082026.vnd.csv", "vn1208a026.vnd", "vn12082026.xml", "x/vn12082026.vnd", "",
                             "vn12082026.vnd/../../settings.xml", "vn12082026"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(VN_Sample::ParseDayFileName(name, &parsed));
    }
}

TEST(DataFileNamesTest, CurveFileNamesGiveModuleDateAndTime) {
    CurveFileName_T parsed;
    ASSERT_TRUE(VN_Sample::ParseCurveFileName("03_12082026_054630.xml", &parsed));
    EXPECT_FALSE(parsed.last);
    EXPECT_EQ(parsed.module, 3);
    EXPECT_EQ(VN_Sample::IsoDate(parsed.year, parsed.month, parsed.day), "2026-12-08");
    EXPECT_EQ(VN_Sample::IsoTime(parsed.hour, parsed.minute, parsed.second), "05:46:30");
    ASSERT_TRUE(VN_Sample::ParseCurveFileName("112_12082026_054630_12.xml", &parsed));
    EXPECT_EQ(parsed.module, 112);
    EXPECT_EQ(parsed.number, 12u);
    ASSERT_TRUE(VN_Sample::ParseCurveFileName("last_iv_7.xml", &parsed));
    EXPECT_TRUE(parsed.last);
    EXPECT_EQ(parsed.module, 7);
    for (const char* name : {"3_12082026_054630.xml", "03_12082026_05463.xml", "03_12082026_054630_.xml",
                             "03_12082026_054630_0.xml", "03_12082026_054630_100.xml", "03_12082026_054630.xml.new",
                             "last_iv_.xml", "last_iv_1a.xml", "last_iv_1.xml/x", "../last_iv_1.xml",
                             "03_12082026_054630.vnd", "last_iv_1234567890.xml"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(VN_Sample::ParseCurveFileName(name, &parsed));
    }
}

}  // namespace
