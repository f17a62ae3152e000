// Load on a running station: web clients (digest authentication, a mix of
// status, sample, last-curve and settings reads, each as fast as it is
// answered) and Modbus clients polling, for a while, as the station samples
// every second and sweeps I-V curves again and again. Prints requests
// served, failures, latency percentiles, how late the controller started
// each sample (its own message log), whether the stored lines kept their
// grid, the programs' processor shares, and whether the server answers a
// burst of fresh clients afterwards (no worker left stuck).
//
//   station_load [seconds, default 60] [web clients, default 100] [Modbus clients, default 4]
//                [seconds between curve runs, default 5; 0: one run after another; -1: no curves]
#include <curl/curl.h>
#include <modbus.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "curve_sweeper.h"
#include "percentile.h"
#include "station_figures.h"
#include "test_support.h"
#include "web_session.h"
#include "web_station.h"

namespace {

using Clock = std::chrono::steady_clock;

// Every fifth web client is an administrator reading settings; the others
// are viewers reading what the station's pages show.
const std::string LastCurves = "/user/last_curves.xml";
const std::vector<std::string> ViewerReads = {"/user/status.xml", "/user/sample.xml", LastCurves};
const std::vector<std::string> AdminReads = {"/admin/sample_settings.xml", "/admin/curve_settings.xml",
                                             "/user/status.xml"};
// The console's hidden menu, then "Enable Message Log": the samples' lateness.
const char* EnableMessageLog = "729\n3\n";

struct Results_T {
    std::mutex lock;
    std::vector<double> ms;
    long failures = 0;
    // Request and how it failed ("/user/status.xml curl 52") -> times.
    std::map<std::string, long> failed;
};

void WebClient(int port, bool admin, Clock::time_point end, Results_T* results) {
    VN_Bench::WebSession session(port, admin ? VN_Bench::WebStation::Admin : VN_Bench::WebStation::User,
                                 admin ? VN_Bench::WebStation::AdminPassword : VN_Bench::WebStation::UserPassword);
    const std::vector<std::string>& reads = admin ? AdminReads : ViewerReads;
    std::vector<double> ms;
    std::map<std::string, long> failed;
    for (size_t next = 0; Clock::now() < end; ++next) {
        const Clock::time_point start = Clock::now();
        const std::string& uri = reads[next % reads.size()];
        // The last curves are asked for by module, in the request's body.
        const long status = uri == LastCurves ? session.Post(uri, VN_Bench::WebStation::AllModules) : session.Get(uri);
        if (status != 200) ++failed[uri + " " + session.LastFailure()];
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::lock_guard<std::mutex> guard(results->lock);
    results->ms.insert(results->ms.end(), ms.begin(), ms.end());
    results->failures += session.Failures();
    for (const auto& [what, count] : failed) results->failed[what] += count;
}

// Polls the register image every 100 ms, as a plant's supervisory system would.
void ModbusClient(int port, Clock::time_point end, Results_T* results) {
    modbus_t* client = modbus_new_tcp("127.0.0.1", port);
    modbus_set_response_timeout(client, 5, 0);
    std::vector<double> ms;
    long failures = 0;
    bool connected = modbus_connect(client) == 0;
    uint16_t registers[125];
    for (Clock::time_point next = Clock::now(); next < end; next += std::chrono::milliseconds(100)) {
        std::this_thread::sleep_until(next);
        const Clock::time_point start = Clock::now();
        if (!connected || modbus_read_registers(client, 0, 125, registers) != 125) {
            ++failures;
            modbus_close(client);
            connected = modbus_connect(client) == 0;
            continue;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    modbus_close(client);
    modbus_free(client);
    std::lock_guard<std::mutex> guard(results->lock);
    results->ms.insert(results->ms.end(), ms.begin(), ms.end());
    results->failures += failures;
    if (failures > 0) results->failed["read of 125 registers"] += failures;
}

void PrintLatency(const char* what, const Results_T& results, double seconds) {
    std::printf("%s: %zu requests answered (%.0f/s), %ld failed; latency ms: median %.1f, p90 %.1f, p99 %.1f, "
                "max %.1f\n",
                what, results.ms.size() - static_cast<size_t>(results.failures),
                static_cast<double>(results.ms.size()) / seconds, results.failures,
                VN_Bench::Percentile(results.ms, 0.5), VN_Bench::Percentile(results.ms, 0.9),
                VN_Bench::Percentile(results.ms, 0.99), VN_Bench::Percentile(results.ms, 1.0));
    for (const auto& [failure, count] : results.failed) std::printf("  failed %ld times: %s\n", count, failure.c_str());
}

// Stored lines due every `period` seconds in the window that are missing or
// stored twice, or off the grid.
int GridFaults(const std::vector<long>& times, long period) {
    int faults = 0;
    for (size_t i = 1; i < times.size(); ++i) faults += times[i] - times[i - 1] != period;
    return faults + (times.empty() ? 1 : 0);
}

// After the load: every one of a burst of fresh clients is answered.
long FreshClientFailures(int port, int clients) {
    std::atomic<long> failures{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < clients; ++i) {
        threads.emplace_back([&] {
            VN_Bench::WebSession session(port, VN_Bench::WebStation::User, VN_Bench::WebStation::UserPassword);
            failures += session.Get("/user/status.xml") != 200;
        });
    }
    for (auto& thread : threads) thread.join();
    return failures;
}

int Argument(int argc, char** argv, int at, int otherwise) {
    return argc > at ? std::atoi(argv[at]) : otherwise;
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = Argument(argc, argv, 1, 60);
    const int webClients = Argument(argc, argv, 2, 100);
    const int modbusClients = Argument(argc, argv, 3, 4);
    const int sweepPauseSeconds = Argument(argc, argv, 4, 5);
    const std::chrono::seconds sweepPause(std::max(sweepPauseSeconds, 0));
    curl_global_init(CURL_GLOBAL_DEFAULT);
    VN_Bench::WebStation station(EnableMessageLog);
    if (!station.Ready()) {
        std::fprintf(stderr, "the station's web server did not serve the sample\n%s", station.Output().c_str());
        return 1;
    }
    // The first sample after the unit came online ends the hold-up of its
    // start, which is not the load's doing; the load starts after that.
    const auto sampledOnline = [&] {
        const std::string output = station.Output();
        return output.find("ms late", output.find("Online DS=0")) != std::string::npos;
    };
    if (!station.WaitOnline() || !VN_Test::WaitUntil(sampledOnline, 10000)) {
        std::fprintf(stderr, "the unit did not come online\n%s", station.Output().c_str());
        return 1;
    }
    std::unique_ptr<VN_Bench::CurveSweeper> sweeper;
    if (sweepPauseSeconds >= 0) {
        // The first run answered: the curves work, and the next one is asked for.
        sweeper = std::make_unique<VN_Bench::CurveSweeper>(station, sweepPause);
        VN_Test::WaitUntil([&] { return sweeper->Completed() + sweeper->Failed() > 0; }, 120000);
    }

    const pid_t controllerPid = station.ControllerPid();
    const VN_Bench::ProcessStats_T before = VN_Bench::ReadProcessStats(controllerPid);
    const size_t logFrom = station.Output().size();
    const long sweepsBefore = sweeper ? sweeper->Completed() : 0;
    const time_t startTime = std::time(nullptr);
    const Clock::time_point start = Clock::now();
    const Clock::time_point end = start + std::chrono::seconds(seconds);
    Results_T web, modbus;
    std::vector<std::thread> clients;
    for (int i = 0; i < webClients; ++i) clients.emplace_back(WebClient, station.HttpPort(), i % 5 == 4, end, &web);
    for (int i = 0; i < modbusClients; ++i) clients.emplace_back(ModbusClient, station.ModbusPort(), end, &modbus);
    for (auto& client : clients) client.join();
    std::this_thread::sleep_until(end);  // without clients: the station's own figures
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const VN_Bench::ProcessStats_T after = VN_Bench::ReadProcessStats(controllerPid);
    const time_t endTime = std::time(nullptr);
    const long sweeps = sweeper ? sweeper->Completed() - sweepsBefore : 0;
    const long sweepFailures = sweeper ? sweeper->Failed() : 0;
    sweeper.reset();

    std::printf("%d web clients and %d Modbus clients for %.1f s; ", webClients, modbusClients, wall);
    if (sweepPauseSeconds < 0) {
        std::printf("no curves\n");
    } else {
        std::printf("%ld runs of 4 curves answered (%ld failed), %d s apart\n", sweeps, sweepFailures,
                    sweepPauseSeconds);
    }
    PrintLatency("web", web, wall);
    PrintLatency("Modbus", modbus, wall);
    const std::vector<double> late = VN_Bench::SampleLateness(station.Output(), logFrom);
    std::printf("samples started: %zu; ms after their second: median %.0f, p99 %.0f, max %.0f\n", late.size(),
                VN_Bench::Percentile(late, 0.5), VN_Bench::Percentile(late, 0.99), VN_Bench::Percentile(late, 1.0));
    // Whole average periods only: the first and last may be cut by the window.
    const std::vector<long> stored = VN_Bench::StoredLineTimes(station.File("data/vnd"), startTime + 10, endTime - 10);
    std::printf("stored lines in the window: %zu, off their 10 s grid: %d\n", stored.size(), GridFaults(stored, 10));
    std::printf("controller: %.1f %% of a core, %d threads before and %d after\n",
                100.0 * (after.cpuSeconds - before.cpuSeconds) / wall, before.threads, after.threads);
    const long fresh = FreshClientFailures(station.HttpPort(), webClients);
    std::printf("afterwards: %d fresh clients at once, %ld not answered\n", webClients, fresh);
    curl_global_cleanup();
    const bool clean = web.failures == 0 && modbus.failures == 0 && fresh == 0 && GridFaults(stored, 10) == 0 &&
                       !late.empty() && VN_Bench::Percentile(late, 1.0) <= 50;
    std::printf("%s\n", clean ? "PASS" : "FAIL");
    if (!clean) {
        // The controller's output with its message log, to find what held it up.
        std::FILE* log = std::fopen("station_load_controller.log", "w");
        if (log != nullptr) {
            std::fputs(station.Output().c_str(), log);
            std::fclose(log);
            std::printf("the controller's output is in station_load_controller.log\n");
        }
    }
    return clean ? 0 : 1;
}
