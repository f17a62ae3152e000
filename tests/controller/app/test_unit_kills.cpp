// The controller program on a copy of the simulated station whose unit
// program is killed, once in the middle of an I-V sweep and once at a moment
// of its own: the controller starts it again, every module is tracked again,
// and the day file goes on with whole lines and no average missing.
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../web/web_client.h"
#include "station_fixture.h"
#include "station_truth.h"
#include "test_support.h"

namespace {

const int AveragePeriod = 2;

std::vector<std::string> DataLines(const std::string& station) {
    std::vector<std::string> lines;
    for (const auto& file : std::filesystem::directory_iterator(station + "/data/vnd")) {
        std::istringstream in(VN_Test::ReadFile(file.path().string()));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
    }
    return lines;
}

time_t Stamp(const std::string& line) {
    struct tm local = {};
    if (std::sscanf(line.c_str(), "%d/%d/%d,%d:%d:%d", &local.tm_mon, &local.tm_mday, &local.tm_year, &local.tm_hour,
                    &local.tm_min, &local.tm_sec) != 6)
        return 0;
    local.tm_mon -= 1;
    local.tm_year -= 1900;
    local.tm_isdst = -1;
    return mktime(&local);
}

// Kills the unit, waits for the controller to start another and for every
// module to be tracked again.
void KillTheUnitAndWaitForTracking(const VN_Test::StationCopy& station, VN_Test::ChildProcess& controller) {
    const int pid = station.UnitPid();
    ASSERT_GT(pid, 0);
    ASSERT_EQ(0, kill(pid, SIGKILL));
    ASSERT_TRUE(VN_Test::WaitUntil([&] { return station.UnitPid() != pid; }, 60000)) << controller.Output();
    std::filesystem::remove(station.File("sim_truth.xml"));
    VN_Test::Truth_T truth;
    ASSERT_TRUE(VN_Test::WaitForTruth(station.File("sim_truth.xml"), VN_Test::AllFourTracking, 60000, &truth))
        << controller.Output();
    ASSERT_TRUE(controller.Running()) << controller.Output();
}

TEST(UnitKilledEndToEnd, TrackingAndStoringGoOnAfterKillsInASweepAndAtRandom) {
    VN_Test::StationCopy station;
    station.Patch("settings.xml", "average_period=\"10\"", "average_period=\"" + std::to_string(AveragePeriod) + "\"");
    VN_Test::ChildProcess controller(VN_CONTROLLER_PATH, station.Path());
    const std::string truthFile = station.File("sim_truth.xml");
    VN_Test::Truth_T truth;
    ASSERT_TRUE(VN_Test::WaitForTruth(truthFile, VN_Test::AllFourTracking, 60000, &truth)) << controller.Output();

    // A curve of module 2 asked for on the web; the unit dies while the
    // sweep holds the module off its maximum power point.
    std::atomic<bool> answered{false};
    std::thread asker([&] {
        VN_Test::HttpRequest_T request;
        request.uri = "/admin/take_curves";
        request.post = true;
        request.body = "<Curves points=\"no\"><Id id=\"2\"/></Curves>";
        request.timeoutMs = 60000;
        VN_Test::Http(station.HttpPort(), request);
        answered = true;
    });
    const bool sweeping = VN_Test::WaitUntil(
        [&] {
            return VN_Test::ReadTruth(truthFile, &truth) && truth.modules.count(2) != 0 &&
                   truth.modules[2].power < 0.9 * truth.modules[2].pmax;
        },
        60000);
    EXPECT_TRUE(sweeping) << controller.Output();
    KillTheUnitAndWaitForTracking(station, controller);
    asker.join();
    EXPECT_TRUE(answered);

    KillTheUnitAndWaitForTracking(station, controller);

    // Every average of the run stored, once the sampler has caught up with
    // the waits for the unit; each line with the header's field count.
    std::vector<std::string> lines;
    ASSERT_TRUE(VN_Test::WaitUntil(
        [&] {
            lines = DataLines(station.Path());
            if (lines.size() < 5) return false;
            const time_t first = Stamp(lines[3]);
            return first > 0 && static_cast<long>(lines.size() - 3) >= (time(nullptr) - first) / AveragePeriod - 1;
        },
        60000))
        << lines.size() << " lines\n" << controller.Output();
    const size_t fields = VN_Test::CommaFields(lines[0]).size();
    for (size_t i = 3; i < lines.size(); ++i) EXPECT_EQ(fields, VN_Test::CommaFields(lines[i]).size()) << lines[i];
    EXPECT_TRUE(controller.Running());
}

}  // namespace
