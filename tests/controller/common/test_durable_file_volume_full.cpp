// Durable XML files on a volume that is full: the old file stays whole, no
// temporary is left behind, and the caller learns why.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "common/durable_file.h"
#include "station_paths.h"
#include "test_support.h"

namespace {

TiXmlDocument Document(const char* name) {
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    auto* element = new TiXmlElement(name);
    element->SetAttribute("text", std::string(200, 'x').c_str());
    document.LinkEndChild(element);
    return document;
}

class DurableFileVolumeFull : public ::testing::Test {
protected:
    DurableFileVolumeFull() : workingDir(dir.Path()) { mkdir(dir.File("data").c_str(), 0755); }

    VN_Test::TempDir dir;
    VN_Test::ScopedWorkingDir workingDir;
    const std::string file = VN_Lib::StationPath("/data/last.xml");
};

TEST_F(DurableFileVolumeFull, AReplacementLeavesTheOldFileWholeUntilThereIsRoom) {
    ASSERT_TRUE(VN_Sample::ReplaceFileWithDocument(Document("Old"), file));
    const std::string old = VN_Test::ReadFile(file);

    // Nothing fits, then part of the document: both fail the same way.
    for (const char* full : {"/data\n", "/data 64\n"}) {
        VN_Test::WriteFile(dir.File("sim_volume_full"), full);
        errno = 0;
        EXPECT_FALSE(VN_Sample::ReplaceFileWithDocument(Document("New"), file)) << full;
        EXPECT_EQ(ENOSPC, errno) << full;
        EXPECT_EQ(old, VN_Test::ReadFile(file)) << full;
        EXPECT_FALSE(VN_Test::FileExists(file + ".new")) << full;
    }

    // Files outside the full volume are written as ever.
    EXPECT_TRUE(VN_Sample::ReplaceFileWithDocument(Document("Settings"), VN_Lib::StationPath("/vn/settings.xml")));

    std::remove(dir.File("sim_volume_full").c_str());
    EXPECT_TRUE(VN_Sample::ReplaceFileWithDocument(Document("New"), file));
    EXPECT_NE(std::string::npos, VN_Test::ReadFile(file).find("<New")) << VN_Test::ReadFile(file);
}

TEST_F(DurableFileVolumeFull, ANumberedFileIsNotCreatedAtAll) {
    VN_Test::WriteFile(dir.File("sim_volume_full"), "/data 10\n");
    errno = 0;
    EXPECT_EQ(-1, VN_Sample::CreateNumberedFileWithDocument(Document("Curve"), file));
    EXPECT_EQ(ENOSPC, errno);
    EXPECT_FALSE(VN_Test::FileExists(file));
    EXPECT_FALSE(VN_Test::FileExists(file + ".new"));
}

TEST_F(DurableFileVolumeFull, OnlyFoldersOfTheStationCanBeFull) {
    // The station folder named by its host path is no station folder: the
    // switch never reaches a file of the machine outside the station.
    mkdir(dir.File("etc").c_str(), 0755);
    VN_Test::WriteFile(dir.File("sim_volume_full"), dir.Path() + "\n/etc\n");
    EXPECT_TRUE(VN_Sample::ReplaceFileWithDocument(Document("Curve"), file));
    EXPECT_FALSE(VN_Sample::ReplaceFileWithDocument(Document("Zone"), VN_Lib::StationPath("/etc/zone.xml")));
}

}  // namespace
