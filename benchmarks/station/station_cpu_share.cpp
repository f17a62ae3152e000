// Processor share of an idle station (1 s samples, no scheduled curves):
// the controller's and its unit's utime+stime over wall time, the
// conversions a unit's averaging window gets, and what the station measures,
// for this build's programs against a reference build's, run alternately.
//
//   station_cpu_share [--reference DIR] [--seconds N] [benchmark flags]
//
// DIR holds the reference's vn_controller and vn_firmware; without it the
// programs are measured against themselves. Interleave repetitions so a load
// change on the machine falls on both sides of a ratio:
//   --benchmark_repetitions=3 --benchmark_enable_random_interleaving=true

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ratio_reporter.h"
#include "station_fixture.h"
#include "station_truth.h"
#include "test_support.h"
#include "web_client.h"

namespace {

struct Programs_T {
    std::string controller;
    std::string firmware;
};

int measureSeconds = 20;

// utime + stime of a process, in seconds; negative once it is gone.
double CpuSeconds(int pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    // The command name may hold spaces: fields are counted after its ')'.
    const size_t close = text.rfind(')');
    if (close == std::string::npos) return -1.0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0;
    unsigned long long stime = 0;
    for (int number = 3; number <= 15 && fields >> field; ++number) {
        if (number == 14) utime = std::strtoull(field.c_str(), nullptr, 10);
        if (number == 15) stime = std::strtoull(field.c_str(), nullptr, 10);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The truth file's converter counts; false where the build writes none.
bool ConversionCounts(const std::string& truthFile, double* results, double* switches) {
    const std::string text = VN_Test::ReadFile(truthFile);
    const size_t read = text.find("results_read=\"");
    const size_t switched = text.find("front_end_switches=\"");
    if (read == std::string::npos || switched == std::string::npos) return false;
    *results = std::atof(text.c_str() + read + std::strlen("results_read=\""));
    *switches = std::atof(text.c_str() + switched + std::strlen("front_end_switches=\""));
    return true;
}

// Module volts of the sample document by id.
std::map<int, double> SampleVolts(int httpPort) {
    std::map<int, double> volts;
    const std::string body = VN_Test::Get(httpPort, "/user/sample.xml").body;
    for (size_t at = body.find("<Module id=\""); at != std::string::npos; at = body.find("<Module id=\"", at + 1)) {
        const int id = std::atoi(body.c_str() + at + std::strlen("<Module id=\""));
        const size_t value = body.find("volts=\"", at);
        if (value != std::string::npos) volts[id] = std::atof(body.c_str() + value + std::strlen("volts=\""));
    }
    return volts;
}

// Held power against the maximum, and the sampled volts against the true
// ones, summed over the modules of one look at the station.
struct Accuracy_T {
    double trackingSum = 0;
    double voltsErrorSum = 0;
    int modules = 0;
};

void Look(const std::string& truthFile, int httpPort, Accuracy_T* accuracy) {
    VN_Test::Truth_T truth;
    if (!VN_Test::ReadTruth(truthFile, &truth)) return;
    const std::map<int, double> volts = SampleVolts(httpPort);
    for (const auto& module : truth.modules) {
        const auto sampled = volts.find(module.first);
        if (sampled == volts.end() || module.second.pmax <= 0 || module.second.voltage <= 0) continue;
        accuracy->trackingSum += module.second.power / module.second.pmax;
        accuracy->voltsErrorSum += std::fabs(sampled->second - module.second.voltage) / module.second.voltage;
        ++accuracy->modules;
    }
}

void StationCpu(benchmark::State& state, const Programs_T& programs) {
    for (auto _ : state) {
        VN_Test::StationCopy station;
        station.Patch("settings.xml", "<Curves interval=\"120\"", "<Curves interval=\"86400\"");
        std::filesystem::remove(station.File("vn_firmware"));
        std::filesystem::create_symlink(programs.firmware, station.File("vn_firmware"));
        VN_Test::ChildProcess controller(programs.controller, station.Path());
        const std::string truthFile = station.File("sim_truth.xml");
        VN_Test::Truth_T truth;
        if (!VN_Test::WaitForTruth(truthFile, VN_Test::AllFourTracking, 180000, &truth)) {
            state.SkipWithError("the station did not track all four modules");
            return;
        }
        const int unit = station.UnitPid();
        double results0 = 0, switches0 = 0, results1 = 0, switches1 = 0;
        const bool counted0 = ConversionCounts(truthFile, &results0, &switches0);
        const double controller0 = CpuSeconds(controller.Pid());
        const double unit0 = CpuSeconds(unit);
        const auto start = std::chrono::steady_clock::now();
        const auto end = start + std::chrono::seconds(measureSeconds);
        Accuracy_T accuracy;
        while (std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1000));
            Look(truthFile, station.HttpPort(), &accuracy);
        }
        const double controller1 = CpuSeconds(controller.Pid());
        const double unit1 = CpuSeconds(unit);
        const bool counted1 = ConversionCounts(truthFile, &results1, &switches1);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (controller1 < 0 || unit1 < 0 || unit != station.UnitPid()) {
            state.SkipWithError("a program ended during the measurement");
            return;
        }
        state.counters["controller_cpu_pct"] = 100.0 * (controller1 - controller0) / wall;
        state.counters["unit_cpu_pct"] = 100.0 * (unit1 - unit0) / wall;
        if (counted0 && counted1 && switches1 > switches0) {
            state.counters["conversions_per_window"] =
                ((results1 - results0) - (switches1 - switches0)) / (switches1 - switches0);
        }
        if (accuracy.modules > 0) {
            state.counters["tracking_pct"] = 100.0 * accuracy.trackingSum / accuracy.modules;
            state.counters["volts_error_pct"] = 100.0 * accuracy.voltsErrorSum / accuracy.modules;
        }
        state.SetIterationTime(wall);
    }
}

// Takes this program's own flags out of argv.
bool TakeOptions(int* argc, char** argv, std::string* referenceDir) {
    int kept = 1;
    for (int i = 1; i < *argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--reference" || arg == "--seconds") && i + 1 < *argc) {
            if (arg == "--reference") *referenceDir = argv[++i];
            else measureSeconds = std::atoi(argv[++i]);
            continue;
        }
        argv[kept++] = argv[i];
    }
    *argc = kept;
    return measureSeconds > 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string referenceDir;
    if (!TakeOptions(&argc, argv, &referenceDir)) {
        std::fprintf(stderr, "usage: %s [--reference DIR] [--seconds N] [benchmark flags]\n", argv[0]);
        return 2;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    const Programs_T measured{VN_CONTROLLER_PATH, VN_FIRMWARE_PATH};
    const Programs_T reference = referenceDir.empty()
                                     ? measured
                                     : Programs_T{std::filesystem::absolute(referenceDir + "/vn_controller").string(),
                                                  std::filesystem::absolute(referenceDir + "/vn_firmware").string()};
    for (const auto& side : {std::make_pair("measured", measured), std::make_pair("reference", reference)}) {
        benchmark::RegisterBenchmark((std::string("StationCpu/") + side.first + "/idle").c_str(), StationCpu,
                                     side.second)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kSecond);
    }
    std::vector<VN_Bench::Ratio_T> ratios;
    for (const char* counter :
         {"controller_cpu_pct", "unit_cpu_pct", "conversions_per_window", "tracking_pct", "volts_error_pct"}) {
        ratios.push_back({"measured", "reference", counter});
    }
    VN_Bench::RatioReporter reporter(ratios);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
