// The running station's data volume fills up for a few averages and is
// freed again: the status and the controller's output say so, the day file
// stays whole, and lines are stored again without anyone stepping in.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

#include "../web/web_client.h"
#include "station_fixture.h"
#include "storage/data_file.h"
#include "test_support.h"

namespace {

// Today's day file.
std::string DataFileName() { return VN_Sample::DataFileName(time(nullptr)); }

// The text of the first element of that name in a document; empty when none.
std::string Element(const std::string& document, const std::string& name) {
    const size_t begin = document.find("<" + name);
    const size_t end = begin == std::string::npos ? begin : document.find('>', begin);
    return end == std::string::npos ? "" : document.substr(begin, end - begin);
}

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST(VolumeFullEndToEnd, StoringStopsVisiblyWhileFullAndResumesByItself) {
    VN_Test::StationCopy station;
    VN_Test::ChildProcess controller(VN_CONTROLLER_PATH, station.Path());
    const std::string dataFile = station.File("data/vnd/" + DataFileName());
    auto lineCount = [&] { return VN_Test::Lines(VN_Test::ReadFile(dataFile)).size(); };
    auto status = [&] { return VN_Test::Get(station.HttpPort(), "/user/status.xml").body; };

    // The averages come every 10 s.
    ASSERT_TRUE(VN_Test::WaitUntil([&] { return lineCount() >= 3 + 1; }, 60000)) << controller.Output();

    // Room for part of a line at each write: the worst case for the file.
    VN_Test::WriteFile(station.File("sim_volume_full"), "/data 40\n");
    std::string shown;
    ASSERT_TRUE(VN_Test::WaitUntil(
        [&] {
            shown = status();
            return shown.find("store_error=\"802\" store_error_text=\"Data volume full\"") != std::string::npos;
        },
        30000))
        << shown << controller.Output();
    const std::vector<std::string> whileFull = VN_Test::Lines(VN_Test::ReadFile(dataFile));
    // One more average comes due (the next due time moves on) and is lost too.
    const std::string due = Element(shown, "NextAverageTime");
    ASSERT_TRUE(VN_Test::WaitUntil(
        [&] {
            shown = status();
            return !Element(shown, "NextAverageTime").empty() && Element(shown, "NextAverageTime") != due;
        },
        30000))
        << shown;
    EXPECT_NE(std::string::npos, shown.find("store_error=\"802\"")) << shown;
    EXPECT_EQ(whileFull, VN_Test::Lines(VN_Test::ReadFile(dataFile)));

    // Space returns: storing resumes with the next average and the error goes.
    std::remove(station.File("sim_volume_full").c_str());
    ASSERT_TRUE(VN_Test::WaitUntil([&] { return lineCount() > whileFull.size(); }, 30000)) << controller.Output();
    ASSERT_TRUE(VN_Test::WaitUntil([&] { return status().find("store_error") == std::string::npos; }, 30000))
        << status();
    const std::string output = controller.Output();
    EXPECT_EQ(1u, Count(output, "Data file store failed: error 802 (No space left on device)")) << output;
    EXPECT_EQ(1u, Count(output, "Data file store works again")) << output;

    // Every line whole: the headers once, then lines of as many fields.
    const std::vector<std::string> lines = VN_Test::Lines(VN_Test::ReadFile(dataFile));
    EXPECT_EQ(0u, lines[0].find("Date,Time,1 Volts")) << lines[0];
    const size_t columns = VN_Test::CommaFields(lines[0]).size();
    for (size_t i = 1; i < lines.size(); ++i) {
        EXPECT_EQ(columns, VN_Test::CommaFields(lines[i]).size()) << i << ": " << lines[i];
        if (i >= 3) {
            EXPECT_EQ(std::string::npos, lines[i].find("Date,Time")) << i << ": " << lines[i];
        }
    }
}

}  // namespace
