// Power-tracking efficiency of one module's load control against the
// simulation's ground truth, static and under irradiance ramps:
// efficiency = integral of the tracked power / integral of the true maximum power.
//
// Time: every control step runs in real time, exactly as the unit runs it
// (one UpdateLoad per main-loop pass, with its real measurement windows, CAN
// message and settling). The rest of a main-loop pass (an aux input and a
// thermocouple integrating 16.7 ms each, plus the small items) is not executed:
// the clock seam is moved forward by RestOfPassUs instead, in 5 ms slices
// during which irradiance follows its profile and both powers are integrated.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/time.h>

#include <algorithm>
#include <cmath>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "../tests/firmware/test_controller_rig.h"
#include "clock.h"
#include "controller.h"

namespace {

const int64_t RestOfPassUs = 35000;
const int64_t SliceUs = 5000;
const double CellC = 25.0;
const int SettlingPasses = 200;

std::atomic<int64_t>& SkippedUs() {
    static std::atomic<int64_t> skipped{0};
    return skipped;
}

// The wall clock plus the time of the passes' work that was skipped.
void SimulatedClock(struct timeval* tv) {
    gettimeofday(tv, nullptr);
    const int64_t us = static_cast<int64_t>(tv->tv_sec) * 1000000 + tv->tv_usec + SkippedUs().load();
    tv->tv_sec = static_cast<time_t>(us / 1000000);
    tv->tv_usec = static_cast<suseconds_t>(us % 1000000);
}

// Irradiance in W/m² at seconds since the profile began.
using Profile = std::function<double(double)>;

// A module tracked under an irradiance profile, with its energy books.
class TrackingRun {
public:
    explicit TrackingRun(const Profile& irradianceProfile) : profile(irradianceProfile) {
        char pattern[] = "/tmp/vn_tracking_XXXXXX";
        folder = mkdtemp(pattern) != nullptr ? pattern : "/tmp";
        SkippedUs().store(0);
        VN_Lib::SetClockFunction(SimulatedClock);
        rig = std::make_unique<VN_Test::ControlRig>(folder + "/eeprom.bin", profile(0.0), CellC);
        setupResult = rig->Attach(controller);
        VN_Lib::LoadConfiguration_T config;
        config.mode = 1;
        controller.SetLoadParameters(config);
        start = VN_Test::ControlRig::Now();
    }
    ~TrackingRun() {
        rig.reset();
        VN_Lib::SetClockFunction(nullptr);
        if (folder != "/tmp") std::filesystem::remove_all(folder);
    }

    int SetupResult() const { return setupResult; }
    double Elapsed() const { return VN_Test::ControlRig::Now() - start; }

    // One main-loop pass; its energies count only when booked.
    void Pass(bool book) {
        rig->SetConditions(profile(Elapsed()), CellC);
        if (controller.UpdateLoad() != 0) ++errors;
        double last = VN_Test::ControlRig::Now();
        for (int64_t done = 0; done < RestOfPassUs; done += SliceUs) {
            SkippedUs().fetch_add(SliceUs);
            rig->SetConditions(profile(Elapsed()), CellC);
            const double now = VN_Test::ControlRig::Now();
            if (book) {
                tracked += rig->OperatingPointAt(now).power * (now - last);
                available += rig->Truth().maxPower.power * (now - last);
            }
            last = now;
        }
        ++passes;
    }
    void RunFor(double seconds, bool book) {
        const double end = Elapsed() + seconds;
        while (Elapsed() < end) Pass(book);
    }

    double Efficiency() const { return available > 0 ? tracked / available : 0.0; }
    int Errors() const { return errors; }
    int Passes() const { return passes; }

private:
    Profile profile;
    std::string folder;
    std::unique_ptr<VN_Test::ControlRig> rig;
    VN_Lib::Controller controller;
    int setupResult = -1;
    double start = 0.0;
    double tracked = 0.0;
    double available = 0.0;
    int errors = 0;
    int passes = 0;
};

void Report(benchmark::State& state, const TrackingRun& run) {
    state.counters["efficiency_pct"] = 100.0 * run.Efficiency();
    state.counters["passes"] = run.Passes();
    state.counters["errors"] = run.Errors();
    if (run.SetupResult() != 0) state.SkipWithError("controller initialisation failed");
}

// Constant irradiance: a simulated minute after settling.
void BM_StaticEfficiency(benchmark::State& state) {
    const double irradiance = static_cast<double>(state.range(0));
    for (auto _ : state) {
        TrackingRun run([irradiance](double) { return irradiance; });
        for (int i = 0; i < SettlingPasses; ++i) run.Pass(false);
        run.RunFor(60.0, true);
        Report(state, run);
    }
}
BENCHMARK(BM_StaticEfficiency)->Arg(200)->Arg(500)->Arg(1000)->Iterations(1)->Unit(benchmark::kSecond);

// Trapezoids between 300 and 1000 W/m² at the slope (W/m² per s), with 10 s
// dwells, after settling at 300 W/m².
void BM_DynamicEfficiency(benchmark::State& state) {
    const double slope = static_cast<double>(state.range(0));
    const int repetitions = static_cast<int>(state.range(1));
    const double low = 300.0, high = 1000.0, dwell = 10.0;
    const double ramp = (high - low) / slope;
    const double period = 2 * dwell + 2 * ramp;
    const double settle = 10.0;
    Profile trapezoids = [=](double t) {
        const double s = std::fmod(std::max(0.0, t - settle), period);
        if (t < settle || s < dwell) return low;
        if (s < dwell + ramp) return low + slope * (s - dwell);
        if (s < 2 * dwell + ramp) return high;
        return high - slope * (s - 2 * dwell - ramp);
    };
    for (auto _ : state) {
        TrackingRun run(trapezoids);
        run.RunFor(settle, false);
        run.RunFor(repetitions * period + dwell, true);
        Report(state, run);
    }
}
BENCHMARK(BM_DynamicEfficiency)->Args({10, 1})->Args({50, 2})->Args({100, 2})->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
