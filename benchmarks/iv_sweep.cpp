// One I-V sweep of a module on its load at fixed conditions, against the
// simulation's ground truth: sweep time, number of curve points, and the
// relative errors of Isc, Voc and the maximum power of the curve.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>

#include "../tests/firmware/test_controller_rig.h"
#include "controller.h"
#include "long_timer.h"

namespace {

const double CellC = 25.0;

void IvSweep(benchmark::State& state) {
    const double irradiance = static_cast<double>(state.range(0));
    const std::string eeprom =
        (std::filesystem::temp_directory_path() / ("iv_sweep_eeprom_" + std::to_string(state.range(0)))).string();
    VN_Test::ControlRig rig(eeprom, irradiance, CellC);
    VN_Lib::Controller controller;
    if (rig.Attach(controller) != 0) {
        state.SkipWithError("load did not initialise");
        return;
    }
    VN_Lib::curve_type curve;
    double ms = 0, iscError = 0, vocError = 0, pmaxError = 0;
    int points = 0;
    for (auto _ : state) {
        LongTimer timer;
        const int result = controller.TakeIvCurve(curve);
        ms = timer.ReadTimerMilliSeconds();
        if (result != 0) {
            state.SkipWithError(("sweep failed: " + std::to_string(result)).c_str());
            break;
        }
        const VN_Sim::ModuleTruth_T truth = rig.Truth();
        double pmax = 0;
        for (int i = 0; i < curve.n; ++i) pmax = std::max(pmax, curve.voltages[i] * curve.currents[i]);
        points = curve.n;
        iscError = 100.0 * (curve.isc - truth.isc) / truth.isc;
        vocError = 100.0 * (curve.voc - truth.voc) / truth.voc;
        pmaxError = 100.0 * (pmax - truth.maxPower.power) / truth.maxPower.power;
    }
    state.counters["sweep_ms"] = ms;
    state.counters["points"] = points;
    state.counters["isc_err_pct"] = iscError;
    state.counters["voc_err_pct"] = vocError;
    state.counters["pmax_err_pct"] = pmaxError;
    std::filesystem::remove(eeprom);
}

BENCHMARK(IvSweep)->Arg(200)->Arg(500)->Arg(1000)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
