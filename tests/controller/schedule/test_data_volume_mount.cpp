// A data volume that cannot be mounted: nothing goes to the bare mount point,
// and the failure shows in the status and the error log until a store works.
#include <dirent.h>
#include <gtest/gtest.h>

#include <string>

#include "common/controller_logs.h"
#include "schedule/data_sampler.h"
#include "test_support.h"

namespace {

using VN_Sample::DataSampler;

// Names in a folder, "." and ".." left out; 0 when it cannot be read.
size_t FileCount(const std::string& folder) {
    DIR* directory = opendir(folder.c_str());
    if (directory == nullptr) return 0;
    size_t count = 0;
    while (const dirent* entry = readdir(directory)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") ++count;
    }
    closedir(directory);
    return count;
}

class DataVolumeMount : public ::testing::Test {
protected:
    DataVolumeMount() : workingDir(dir.Path()) {
        errorLogWasOn = ErrMsgLog.IsEnabled();
        ErrMsgLog.Enable();
    }
    ~DataVolumeMount() override {
        if (!errorLogWasOn) ErrMsgLog.Disable();
    }

    void TakeTheVolumeAway() { VN_Test::WriteFile(dir.File("sim_mount_fails"), "/data\n"); }
    std::string StatusDocument(const DataSampler& sampler) const { return sampler.status.GetAsXmlString(); }

    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir workingDir;
    bool errorLogWasOn = false;
};

TEST_F(DataVolumeMount, AFailedMountStoresNothingAndIsReportedUntilAStoreWorks) {
    TakeTheVolumeAway();
    DataSampler sampler;
    EXPECT_FALSE(VN_Test::FileExists(dir.File("data/mounted")));
    EXPECT_FALSE(VN_Test::FileExists(dir.File("data/vnd")));

    testing::internal::CaptureStdout();
    const int result = sampler.StoreVndData();
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(DataSampler::ErrDataVolume, result);
    EXPECT_NE(std::string::npos, output.find("Cannot mount data volume /dev/hda3 on /data (status 8192)")) << output;
    EXPECT_FALSE(VN_Test::FileExists(dir.File("data/mounted")));
    EXPECT_EQ(0u, FileCount(dir.File("data"))) << "nothing may land in the bare mount point";
    EXPECT_EQ(DataSampler::ErrDataVolume, sampler.status.storeError);
    EXPECT_NE(std::string::npos,
              StatusDocument(sampler).find("store_error=\"806\" store_error_text=\"Cannot mount data volume\""))
        << StatusDocument(sampler);

    // The partition is back: the next store mounts it, stores and clears the error.
    std::remove(dir.File("sim_mount_fails").c_str());
    EXPECT_EQ(0, sampler.StoreVndData());
    EXPECT_TRUE(VN_Test::FileExists(dir.File("data/mounted")));
    EXPECT_EQ(1u, FileCount(dir.File("data/vnd")));
    EXPECT_EQ(0, sampler.status.storeError);
    EXPECT_EQ(std::string::npos, StatusDocument(sampler).find("store_error")) << StatusDocument(sampler);
}

TEST_F(DataVolumeMount, AVolumeMountedAlreadyKeepsItsMarker) {
    DataSampler sampler;
    ASSERT_TRUE(VN_Test::FileExists(dir.File("data/mounted")));
    // The marker lies on the volume: once it is seen, no mount is tried.
    TakeTheVolumeAway();
    EXPECT_TRUE(sampler.MountDataVolume());
    EXPECT_EQ(0, sampler.StoreVndData());
}

}  // namespace
