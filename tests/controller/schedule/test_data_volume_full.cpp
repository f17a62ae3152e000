// A data volume that fills up: stores fail and say so once, nothing stored
// already is damaged, and storing resumes by itself when space returns.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "acquisition/data_system.h"
#include "schedule/data_sampler.h"
#include "test_clocks.h"
#include "test_support.h"

namespace {

using VN_Sample::DataSampler;

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

class DataVolumeFull : public ::testing::Test {
protected:
    DataVolumeFull() : workingDir(dir.Path()), zone("UTC"), clocks(VN_Test::TestClocks::Frozen) {
        VN_Test::TestClocks::SetTimeOfDay(VN_Test::UtcTime(2012, 7, 4, 13, 0, 0));
        system.moduleChannels[1].sample.name = "South 1";
        system.moduleChannels[2].sample.name = "South 2";
        sampler.SetDataSourceSystem(&system);
        sampler.UpdateRecord();
    }

    // Writes to the data volume keep at most bytesKept bytes; -1: it has room again.
    void FillTheVolume(int bytesKept) {
        if (bytesKept < 0) {
            std::remove(dir.File("sim_volume_full").c_str());
        } else {
            VN_Test::WriteFile(dir.File("sim_volume_full"), "/data " + std::to_string(bytesKept) + "\n");
        }
    }
    // A store a second later; the controller's output it printed is added to output.
    int StoreNextLine() {
        VN_Test::TestClocks::Elapse(1000000);
        sampler.UpdateRecord();
        testing::internal::CaptureStdout();
        const int result = sampler.StoreVndData();
        output += testing::internal::GetCapturedStdout();
        return result;
    }
    std::set<std::string> CurveFiles() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.File("data/curves")))
            names.insert(entry.path().filename().string());
        return names;
    }
    std::string DayFile() const { return VN_Test::ReadFile(dir.File("data/vnd/vn07042012.vnd")); }
    std::string Status() const { return sampler.status.GetAsXmlString(); }

    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir workingDir;
    VN_Test::ScopedTimeZone zone;
    VN_Test::TestClocks clocks;
    VN_Sample::DataSystem system;
    DataSampler sampler;
    std::string output;
};

TEST_F(DataVolumeFull, LinesDueWhileFullAreLostTheFileStaysWholeAndStoringResumes) {
    ASSERT_EQ(0, StoreNextLine());
    ASSERT_EQ(0, StoreNextLine());
    const std::string stored = DayFile();

    // Full: every store fails, the failure is printed once and shown in the status.
    FillTheVolume(0);
    for (int attempt = 0; attempt < 3; ++attempt) EXPECT_EQ(DataSampler::ErrDataFile, StoreNextLine());
    EXPECT_EQ(1u, Count(output, "Data file store failed: error 802 (No space left on device)")) << output;
    EXPECT_EQ(stored, DayFile());
    EXPECT_NE(std::string::npos, Status().find("store_error=\"802\" store_error_text=\"Data volume full\""))
        << Status();

    // Room for part of a line only: the part is taken back at once, as no
    // later append may come to mend it (the day ends, the controller stops).
    FillTheVolume(30);
    EXPECT_EQ(DataSampler::ErrDataFile, StoreNextLine());
    EXPECT_EQ(stored, DayFile());
    EXPECT_FALSE(VN_Test::FileExists(dir.File("data/vnd/vn07042012.vnd.new")));
    EXPECT_EQ(1u, Count(output, "failed")) << output;

    // Space again: the next line due is stored, after the ones before it.
    FillTheVolume(-1);
    EXPECT_EQ(0, StoreNextLine());
    EXPECT_NE(std::string::npos, output.find("Data file store works again")) << output;
    EXPECT_EQ(std::string::npos, Status().find("store_error")) << Status();
    const std::string after = DayFile();
    ASSERT_EQ(0u, after.find(stored));
    EXPECT_EQ("07/04/2012,13:00:07,", after.substr(stored.size(), 20));
    for (const std::string& line : {after.substr(0, after.find('\n')), after.substr(stored.size())})
        EXPECT_EQ(2u + 3 * 2, VN_Test::CommaFields(line.substr(0, line.find('\n'))).size()) << line;
}

TEST_F(DataVolumeFull, ADayFileBegunOnAFullVolumeGetsItsHeadersOnceSpaceReturns) {
    // The headers themselves are cut short.
    FillTheVolume(40);
    EXPECT_EQ(DataSampler::ErrDataFile, StoreNextLine());
    EXPECT_EQ("", DayFile());

    FillTheVolume(-1);
    EXPECT_EQ(0, StoreNextLine());
    const std::string text = DayFile();
    EXPECT_EQ(0u, text.find("Date,Time,1 Volts,1 Amps,1 Power,2 Volts")) << text;
    EXPECT_EQ(1u, Count(text, "mm/dd/yyyy")) << text;
    EXPECT_EQ(4u, Count(text, "\n")) << text;
}

TEST_F(DataVolumeFull, CurveFilesFailWithoutLeftoversAndSayItOnce) {
    ASSERT_EQ(0, StoreNextLine());
    ASSERT_EQ(0, sampler.StoreCurves({1}));
    const std::string lastCurve = VN_Test::ReadFile(dir.File("data/curves/last_iv_1.xml"));
    ASSERT_NE(std::string::npos, lastCurve.find("<Curve")) << lastCurve;
    const std::set<std::string> stored = CurveFiles();

    FillTheVolume(100);
    testing::internal::CaptureStdout();
    sampler.StoreCurves({1, 2});
    VN_Test::TestClocks::Elapse(1000000);
    sampler.StoreCurves({1, 2});
    const std::string failing = testing::internal::GetCapturedStdout();
    EXPECT_EQ(1u, Count(failing, "Curve file store failed: error 805 (No space left on device)")) << failing;
    // The last curve in place is whole; no temporary or part file is left.
    EXPECT_EQ(lastCurve, VN_Test::ReadFile(dir.File("data/curves/last_iv_1.xml")));
    EXPECT_EQ(stored, CurveFiles());

    FillTheVolume(-1);
    testing::internal::CaptureStdout();
    sampler.StoreCurves({2});
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStdout().find("Curve file store works again"));
    EXPECT_TRUE(VN_Test::FileExists(dir.File("data/curves/last_iv_2.xml")));
}

}  // namespace
