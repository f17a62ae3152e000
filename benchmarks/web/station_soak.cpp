// A long run of the station: scheduled curves every few minutes, and every
// ten seconds a viewer's web reads, a Modbus poll and now and then a look at
// the console, as a station in the field sees them. Every minute it records
// the controller's and the unit's resident memory, descriptors, threads and
// processor share (a line per minute, also written to station_soak.csv). At
// the end: memory growth per hour after the warm-up, the day file's
// completeness (stored lines / lines due), failed requests and unit restarts,
// with the controller's reasons for taking a unit offline (its whole output
// is kept in station_soak_controller.log).
//
//   station_soak [minutes, default 60] [seconds between scheduled curves, default 180]
#include <curl/curl.h>
#include <modbus.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "station_figures.h"
#include "test_support.h"
#include "web_session.h"
#include "web_station.h"

namespace {

using Clock = std::chrono::steady_clock;

const int WarmUpMinutes = 10;
const int AveragePeriod = 10;
// The console's main menu, "Show System Configuration", and Enter for each of
// its pages (more Enters than pages only show the menu again).
const char* ShowConfiguration = "3\n\n\n\n\n\n";

struct Minute_T {
    double minute = 0;
    VN_Bench::ProcessStats_T controller;
    VN_Bench::ProcessStats_T unit;
    // Processor shares (%) since the minute before.
    double controllerCpu = 0;
    double unitCpu = 0;
};

double MeanShare(const std::vector<Minute_T>& minutes, double Minute_T::*share) {
    double sum = 0;
    for (const Minute_T& m : minutes) sum += m.*share;
    return minutes.empty() ? 0 : sum / static_cast<double>(minutes.size());
}

// Least-squares slope of y over x (per unit of x).
double Slope(const std::vector<double>& x, const std::vector<double>& y) {
    const double n = static_cast<double>(x.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        sx += x[i];
        sy += y[i];
        sxx += x[i] * x[i];
        sxy += x[i] * y[i];
    }
    const double d = n * sxx - sx * sx;
    return d == 0 ? 0 : (n * sxy - sx * sy) / d;
}

// Resident memory growth in kB per hour over the minutes after the warm-up.
double GrowthPerHour(const std::vector<Minute_T>& minutes, bool unit) {
    std::vector<double> x, y;
    for (const Minute_T& m : minutes) {
        if (m.minute < WarmUpMinutes) continue;
        x.push_back(m.minute / 60.0);
        y.push_back(static_cast<double>(unit ? m.unit.residentKb : m.controller.residentKb));
    }
    return Slope(x, y);
}

}  // namespace

int main(int argc, char** argv) {
    const int totalMinutes = argc > 1 ? std::atoi(argv[1]) : 60;
    const int curveInterval = argc > 2 ? std::atoi(argv[2]) : 180;
    curl_global_init(CURL_GLOBAL_DEFAULT);
    // An Enter at the main menu: the console's input stays open for later looks.
    VN_Bench::WebStation station("\n", curveInterval);
    if (!station.Ready() || !station.WaitOnline()) {
        std::fprintf(stderr, "the station's web server did not serve the sample\n%s", station.Output().c_str());
        return 1;
    }
    VN_Bench::WebSession web(station.HttpPort(), VN_Bench::WebStation::User, VN_Bench::WebStation::UserPassword);
    modbus_t* modbus = modbus_new_tcp("127.0.0.1", station.ModbusPort());
    modbus_set_response_timeout(modbus, 5, 0);
    long modbusFailures = 0;
    long consoleFailures = 0;
    uint16_t registers[125];

    std::FILE* csv = std::fopen("station_soak.csv", "w");
    const char* header = "minute,controller_kb,controller_fds,controller_threads,controller_cpu_pct,unit_kb,unit_fds,"
                         "unit_threads,unit_cpu_pct";
    std::printf("%s\n", header);
    if (csv != nullptr) std::fprintf(csv, "%s\n", header);

    std::vector<Minute_T> minutes;
    const Clock::time_point start = Clock::now();
    const time_t startTime = std::time(nullptr);
    const pid_t firstUnit = station.UnitPid();
    Minute_T last{0, VN_Bench::ReadProcessStats(station.ControllerPid()), VN_Bench::ReadProcessStats(firstUnit)};
    int unitRestarts = 0;
    pid_t lastUnit = firstUnit;
    for (int tick = 1; tick <= totalMinutes * 6; ++tick) {
        std::this_thread::sleep_until(start + std::chrono::seconds(10 * tick));
        web.Get("/user/status.xml");
        web.Get("/user/sample.xml");
        web.Post("/user/last_curves.xml", VN_Bench::WebStation::AllModules);
        if (modbus_connect(modbus) != 0 || modbus_read_registers(modbus, 0, 125, registers) != 125) ++modbusFailures;
        modbus_close(modbus);
        if (tick % 30 == 0 && !station.Console(ShowConfiguration)) ++consoleFailures;
        if (tick % 6 != 0) continue;

        const pid_t unit = station.UnitPid();
        unitRestarts += unit != lastUnit;
        Minute_T now{std::chrono::duration<double>(Clock::now() - start).count() / 60.0,
                     VN_Bench::ReadProcessStats(station.ControllerPid()), VN_Bench::ReadProcessStats(unit)};
        const double seconds = (now.minute - last.minute) * 60.0;
        now.controllerCpu = 100.0 * (now.controller.cpuSeconds - last.controller.cpuSeconds) / seconds;
        // A restarted unit's time counts from its start.
        now.unitCpu = 100.0 * (now.unit.cpuSeconds - (unit == lastUnit ? last.unit.cpuSeconds : 0)) / seconds;
        char line[200];
        std::snprintf(line, sizeof line, "%.1f,%ld,%d,%d,%.1f,%ld,%d,%d,%.1f", now.minute, now.controller.residentKb,
                      now.controller.descriptors, now.controller.threads, now.controllerCpu, now.unit.residentKb,
                      now.unit.descriptors, now.unit.threads, now.unitCpu);
        std::printf("%s\n", line);
        std::fflush(stdout);
        if (csv != nullptr) {
            std::fprintf(csv, "%s\n", line);
            std::fflush(csv);
        }
        minutes.push_back(now);
        last = now;
        lastUnit = unit;
    }
    if (csv != nullptr) std::fclose(csv);
    modbus_free(modbus);

    const time_t endTime = std::time(nullptr);
    // Lines due: one per average period, after the first whole period.
    const time_t from = startTime + AveragePeriod;
    const long due = static_cast<long>(endTime - from) / AveragePeriod;
    const long stored = static_cast<long>(VN_Bench::StoredLineTimes(station.File("data/vnd"), from, endTime).size());
    std::printf("run: %d minutes, curves every %d s\n", totalMinutes, curveInterval);
    std::printf("resident memory growth after %d minutes' warm-up: controller %.0f kB/h, unit %.0f kB/h\n",
                WarmUpMinutes, GrowthPerHour(minutes, false), GrowthPerHour(minutes, true));
    std::printf("processor share, mean of the minutes: controller %.1f %%, unit %.1f %%\n",
                MeanShare(minutes, &Minute_T::controllerCpu), MeanShare(minutes, &Minute_T::unitCpu));
    std::printf("day file: %ld stored lines of %ld due (%.3f %%)\n", stored, due,
                due > 0 ? 100.0 * static_cast<double>(stored) / static_cast<double>(due) : 0.0);
    std::printf("web requests failed: %ld of %ld; Modbus polls failed: %ld; console writes failed: %ld; unit "
                "restarts: %d\n",
                web.Failures(), web.Requests(), modbusFailures, consoleFailures, unitRestarts);
    // Why the controller took a unit offline (and so restarted it), in its own words.
    const std::string output = station.Output();
    std::istringstream lines(output);
    for (std::string text; std::getline(lines, text);) {
        if (text.find("Offline error") != std::string::npos) std::printf("controller: %s\n", text.c_str());
    }
    std::ofstream("station_soak_controller.log") << output;
    curl_global_cleanup();
    return 0;
}
