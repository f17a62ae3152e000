// Latency (median and 99th percentile) of "/user/status.xml" and
// "/user/sample.xml" on a running controller while the station sweeps I-V
// curves ("/admin/take_curves" for every module, again and again, from
// another client) against the same requests with the station only sampling.
// One client polls every 10 ms, as a browser page refreshing the documents
// would, and keeps its libcurl handle for all its requests.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "curve_sweeper.h"
#include "percentile.h"
#include "ratio_reporter.h"
#include "station_benchmark_main.h"
#include "test_support.h"
#include "web_session.h"
#include "web_station.h"

namespace {

using Clock = std::chrono::steady_clock;

const auto PollPeriod = std::chrono::milliseconds(10);
const int Requests = 1000;

std::unique_ptr<VN_Bench::WebStation> station;

// Curve files stored so far: whether the runs asked for did sweep.
long StoredCurves() {
    std::error_code error;
    long count = 0;
    for (std::filesystem::directory_iterator entry(station->File("data/curves"), error), end; !error && entry != end;
         entry.increment(error))
        ++count;
    return count;
}

void Latency(benchmark::State& state, const char* uri, bool sweeping) {
    std::unique_ptr<VN_Bench::CurveSweeper> sweeper;
    if (sweeping) {
        // One whole run first: the sweeps work, and the next run is asked for.
        sweeper = std::make_unique<VN_Bench::CurveSweeper>(*station);
        VN_Test::WaitUntil([&] { return sweeper->Completed() + sweeper->Failed() > 0; }, 120000);
        if (sweeper->Completed() == 0) {
            state.SkipWithError("no curve run was answered");
            return;
        }
    }
    VN_Bench::WebSession client(station->HttpPort(), VN_Bench::WebStation::User, VN_Bench::WebStation::UserPassword);
    std::vector<double> ms;
    ms.reserve(Requests);
    const long runsBefore = sweeper ? sweeper->Completed() : 0;
    const long curvesBefore = StoredCurves();
    Clock::time_point next = Clock::now();
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        client.Get(uri);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        next += PollPeriod;
        std::this_thread::sleep_until(next);
    }
    if (client.Failures() != 0) {
        const std::string message =
            "requests failed: " + std::to_string(client.Failures()) + ", the last with " + client.LastFailure();
        state.SkipWithError(message.c_str());
    }
    state.counters["median_ms"] = VN_Bench::Percentile(ms, 0.5);
    state.counters["p99_ms"] = VN_Bench::Percentile(ms, 0.99);
    state.counters["max_ms"] = VN_Bench::Percentile(ms, 1.0);
    state.counters["curves_stored"] = static_cast<double>(StoredCurves() - curvesBefore);
    if (sweeper) {
        state.counters["sweep_runs"] = static_cast<double>(sweeper->Completed() - runsBefore);
        state.counters["sweep_failed"] = static_cast<double>(sweeper->Failed());
    }
}

BENCHMARK_CAPTURE(Latency, status/idle, "/user/status.xml", false)->Iterations(Requests)->UseRealTime();
BENCHMARK_CAPTURE(Latency, status/sweeping, "/user/status.xml", true)->Iterations(Requests)->UseRealTime();
BENCHMARK_CAPTURE(Latency, sample/idle, "/user/sample.xml", false)->Iterations(Requests)->UseRealTime();
BENCHMARK_CAPTURE(Latency, sample/sweeping, "/user/sample.xml", true)->Iterations(Requests)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return VN_Bench::RunStationBenchmarks(argc, argv, station, {{"sweeping", "idle", "median_ms"}, {"sweeping", "idle", "p99_ms"}});
}
