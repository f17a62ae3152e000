// Power-tracking efficiency of one module's load control against the
// simulation's ground truth, static, under irradiance ramps and through a
// day of passing clouds: efficiency = integral of the tracked power /
// integral of the true maximum power. Every profile runs twice in one
// iteration, with the plain tracker and with the drift-guarded one, and both
// are reported beside their ratio. Run with --benchmark_repetitions=3 for the
// spread (min and max are reported with the mean).
//
// Time: every control step runs in real time, exactly as the unit runs it
// (one UpdateLoad per main-loop pass, with its real measurement windows, CAN
// message and settling). The rest of a main-loop pass (an aux input and a
// thermocouple integrating 16.7 ms each, plus the small items) is not executed:
// the clock seam is moved forward by the rest of the pass instead (35 ms), in
// 5 ms slices during which irradiance follows its profile and both powers are
// integrated. The cloud day also runs with longer rests: on a station with
// several modules each one gets a control step only every few passes.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/time.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../tests/firmware/test_controller_rig.h"
#include "clock.h"
#include "controller.h"
#include "vn_sim/physics/cloud_cover.h"
#include "vn_sim/physics/environment.h"

namespace {

const int64_t RestOfPassUs = 35000;
const int64_t SliceUs = 5000;
const double CellC = 25.0;
const double SettleSeconds = 7.0;
const double StaticSeconds = 30.0;
const double Dwell = 10.0;

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
    TrackingRun(const Profile& irradianceProfile, bool driftGuard, int64_t restOfPassUs)
        : profile(irradianceProfile), restUs(restOfPassUs) {
        char pattern[] = "/tmp/vn_tracking_XXXXXX";
        folder = mkdtemp(pattern) != nullptr ? pattern : "/tmp";
        SkippedUs().store(0);
        // Both clocks: the tracker times the sun's rate on the monotonic one.
        VN_Lib::SetClockFunction(SimulatedClock);
        VN_Lib::SetMonotonicClockFunction(SimulatedClock);
        rig = std::make_unique<VN_Test::ControlRig>(folder + "/eeprom.bin", profile(0.0), CellC);
        controller.SetDriftGuard(driftGuard);
        setupResult = rig->Attach(controller);
        VN_Lib::LoadConfiguration_T config;
        config.mode = 1;
        controller.SetLoadParameters(config);
        start = VN_Test::ControlRig::Now();
    }
    ~TrackingRun() {
        rig.reset();
        VN_Lib::SetClockFunction(nullptr);
        VN_Lib::SetMonotonicClockFunction(nullptr);
        if (folder != "/tmp") std::filesystem::remove_all(folder);
    }

    int SetupResult() const { return setupResult; }
    double Elapsed() const { return VN_Test::ControlRig::Now() - start; }

    // One main-loop pass; its energies count only when booked.
    void Pass(bool book) {
        rig->SetConditions(profile(Elapsed()), CellC);
        if (controller.UpdateLoad() != 0) ++errors;
        double last = VN_Test::ControlRig::Now();
        for (int64_t done = 0; done < restUs; done += SliceUs) {
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
    int64_t restUs;
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

// The profile with both trackers, one after the other: unbooked settling,
// then the booked time.
void Compare(benchmark::State& state, const Profile& profile, double settle, double booked,
             int64_t restOfPassUs = RestOfPassUs) {
    for (auto _ : state) {
        double efficiency[2] = {0.0, 0.0};
        int passes = 0, errors = 0;
        for (int guard = 0; guard < 2; ++guard) {
            TrackingRun run(profile, guard != 0, restOfPassUs);
            if (run.SetupResult() != 0) {
                state.SkipWithError("controller initialisation failed");
                return;
            }
            run.RunFor(settle, false);
            run.RunFor(booked, true);
            efficiency[guard] = run.Efficiency();
            passes += run.Passes();
            errors += run.Errors();
        }
        state.counters["plain_pct"] = 100.0 * efficiency[0];
        state.counters["guarded_pct"] = 100.0 * efficiency[1];
        state.counters["guarded_vs_plain"] = efficiency[0] > 0 ? efficiency[1] / efficiency[0] : 0.0;
        state.counters["passes"] = passes;
        state.counters["errors"] = errors;
    }
}

// The spread of repetitions beside google-benchmark's mean and deviation.
benchmark::internal::Benchmark* WithSpread(benchmark::internal::Benchmark* b) {
    return b
        ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
        ->ComputeStatistics("max", [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); })
        ->Iterations(1)
        ->Unit(benchmark::kSecond);
}

// Constant irradiance.
void BM_StaticEfficiency(benchmark::State& state) {
    const double irradiance = static_cast<double>(state.range(0));
    Compare(state, [irradiance](double) { return irradiance; }, SettleSeconds, StaticSeconds);
}
BENCHMARK(BM_StaticEfficiency)->Arg(50)->Arg(100)->Arg(200)->Arg(500)->Arg(1000)->Apply([](auto* b) { WithSpread(b); });

// Trapezoids between low and high W/m² at the slope (W/m² per s) with dwells,
// after settling at the low level: one period, then the first dwell again.
Profile Trapezoids(double low, double high, double slope) {
    const double ramp = (high - low) / slope;
    const double period = 2 * Dwell + 2 * ramp;
    return [=](double t) {
        const double s = std::fmod(std::max(0.0, t - SettleSeconds), period);
        if (t < SettleSeconds || s < Dwell) return low;
        if (s < Dwell + ramp) return low + slope * (s - Dwell);
        if (s < 2 * Dwell + ramp) return high;
        return high - slope * (s - 2 * Dwell - ramp);
    };
}

void Ramps(benchmark::State& state, double low, double high) {
    const double slope = static_cast<double>(state.range(0));
    const double period = 2 * Dwell + 2 * (high - low) / slope;
    Compare(state, Trapezoids(low, high, slope), SettleSeconds, period + Dwell);
}

void BM_DynamicEfficiency(benchmark::State& state) { Ramps(state, 300.0, 1000.0); }
BENCHMARK(BM_DynamicEfficiency)->Arg(10)->Arg(50)->Arg(100)->Apply([](auto* b) { WithSpread(b); });

void BM_LowLightDynamicEfficiency(benchmark::State& state) { Ramps(state, 30.0, 300.0); }
BENCHMARK(BM_LowLightDynamicEfficiency)->Arg(5)->Arg(25)->Apply([](auto* b) { WithSpread(b); });

// A clear-sky day with passing clouds, compressed: the clear-sky irradiance
// of 06:00 to 18:00 UTC at 0° longitude and 45° N on 21 June runs Compression
// times faster than real (12 hours in 4 minutes), while the clouds (the
// simulated station's cloud model: half of the sky, 20 s periods with 5 s
// edges, seed 7) pass at their own speed, so every cloud edge reaches the
// tracker with its true slope. The first argument is the rest of a pass in
// ms: 35 for one module per pass; 270 gives the 0.28 s step period of one of
// four modules on the default station, 400 that of a loaded machine (0.41 s).
// The second, when 1, holds the light for a second at a time, as the
// simulated station once refreshed its sky: the cloud edges arrive as stairs,
// as a sharp edge passing within one step period does.
const double DayStartUtc = 1782021600.0;  // 2026-06-21 06:00 UTC
const double DaySeconds = 12 * 3600.0;
const double Compression = 180.0;

void BM_CloudDayEfficiency(benchmark::State& state) {
    VN_Sim::EnvironmentParams_T sky;
    sky.clearSky = true;
    const VN_Sim::Environment clearSky(sky);
    VN_Sim::CloudParams_T cloudParams;
    cloudParams.fraction = 0.5;
    cloudParams.seed = 7;
    cloudParams.period = 20.0;
    const VN_Sim::CloudCover clouds(cloudParams);
    const bool stairs = state.range(1) != 0;
    Profile day = [=](double t) {
        if (stairs) t = std::floor(t);
        VN_Sim::Conditions_T conditions;
        if (clearSky.At(DayStartUtc + Compression * t, &conditions) != 0) return 0.0;
        return conditions.irradiance * clouds.Transmission(DayStartUtc + t);
    };
    Compare(state, day, 0.0, DaySeconds / Compression, state.range(0) * 1000);
}
BENCHMARK(BM_CloudDayEfficiency)
    ->Args({35, 0})
    ->Args({270, 0})
    ->Args({400, 0})
    ->Args({270, 1})
    ->Args({400, 1})
    // More step periods: where the stairs fall against the steps decides
    // much of one run, so a rule is judged on several.
    ->ArgsProduct({{300, 330, 360, 380, 420, 440, 470, 500}, {1}})
    ->ArgsProduct({{300, 360, 440, 500}, {0}})
    ->Apply([](auto* b) { WithSpread(b); });

}  // namespace

BENCHMARK_MAIN();
