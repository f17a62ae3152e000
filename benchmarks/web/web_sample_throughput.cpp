// Requests per second of the live sample document ("/user/sample.xml")
// against a static file of the same size served by the same running
// controller, with 1 and with 16 clients. The static file is a snapshot of
// the sample document under the web site's "user" folder, so both go through
// the same digest check of the "/user" area; each client keeps one libcurl
// handle (and so its connection, when the server keeps it, and its digest
// nonce) for all its requests.
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <string>

#include "ratio_reporter.h"
#include "station_benchmark_main.h"
#include "web_client.h"
#include "web_session.h"
#include "web_station.h"

namespace {

const char* const StaticUri = "/user/sample_snapshot.xml";

std::unique_ptr<VN_Bench::WebStation> station;

// A snapshot of the sample document as the station serves it now: its
// length changes as the record fills after the start (and by a byte or two
// with the readings), so each static run takes a fresh one.
bool WriteSnapshot() {
    const VN_Test::HttpReply_T sample = VN_Test::Get(station->HttpPort(), "/user/sample.xml",
                                                     VN_Bench::WebStation::User, VN_Bench::WebStation::UserPassword);
    if (sample.status != 200) return false;
    mkdir(station->File("web_site/user").c_str(), 0755);
    VN_Test::WriteFile(station->File("web_site" + std::string(StaticUri)), sample.body);
    const VN_Test::HttpReply_T copy =
        VN_Test::Get(station->HttpPort(), StaticUri, VN_Bench::WebStation::User, VN_Bench::WebStation::UserPassword);
    return copy.status == 200 && copy.body == sample.body;
}

void Throughput(benchmark::State& state, const char* uri) {
    // The other threads wait at the start of the loop.
    if (std::string(uri) == StaticUri && state.thread_index() == 0 && !WriteSnapshot()) {
        state.SkipWithError("the sample document could not be copied");
        return;
    }
    VN_Bench::WebSession client(station->HttpPort(), VN_Bench::WebStation::User, VN_Bench::WebStation::UserPassword);
    double bytes = 0;
    for (auto _ : state) {
        client.Get(uri);
        bytes += static_cast<double>(client.Body().size());
    }
    state.SetItemsProcessed(state.iterations());
    if (client.Failures() != 0) {
        const std::string message =
            "requests failed: " + std::to_string(client.Failures()) + ", the last with " + client.LastFailure();
        state.SkipWithError(message.c_str());
    }
    const double requests = static_cast<double>(client.Requests());
    state.counters["bytes"] = benchmark::Counter(bytes / requests, benchmark::Counter::kAvgThreads);
    state.counters["connects_per_req"] =
        benchmark::Counter(static_cast<double>(client.Connections()) / requests, benchmark::Counter::kAvgThreads);
    state.counters["replies_per_req"] =
        benchmark::Counter(static_cast<double>(client.Replies()) / requests, benchmark::Counter::kAvgThreads);
}

BENCHMARK_CAPTURE(Throughput, sample, "/user/sample.xml")
    ->Threads(1)
    ->Threads(16)
    ->MinTime(5)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Throughput, static, StaticUri)
    ->Threads(1)
    ->Threads(16)
    ->MinTime(5)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return VN_Bench::RunStationBenchmarks(argc, argv, station, {{"sample", "static", "items_per_second"}});
}
