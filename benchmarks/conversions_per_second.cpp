// Conversions per second through the port seam, against the converter's
// nominal rate: how closely a polling driver can follow the simulated card.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <memory>

#include "port_io.h"
#include "vn_sim/card/analog_card.h"
#include "vn_sim/port_space.h"

namespace {

const int Base = 0x300;

struct MappedCard {
    MappedCard() {
        VN_Sim::PortSpace::Instance().UnmapAll();
        VN_Sim::PortSpace::Instance().Map(Base, VN_Sim::AnalogCard::PortCount,
                                          std::make_shared<VN_Sim::AnalogCard>(config));
    }
    ~MappedCard() { VN_Sim::PortSpace::Instance().UnmapAll(); }
    double NominalRate() const { return 1e6 / static_cast<double>(config.conversionPeriodUs); }

    VN_Sim::AnalogCardConfig_T config;
};

void Report(benchmark::State& state, double conversions, double seconds, double nominal) {
    double rate = seconds > 0 ? conversions / seconds : 0.0;
    state.counters["conversions_per_s"] = rate;
    state.counters["nominal_per_s"] = nominal;
    state.counters["ratio"] = rate / nominal;
}

// One conversion per iteration: poll the ready bit, read the result.
void BM_PollingThroughPortSeam(benchmark::State& state) {
    MappedCard card;
    VN_Lib::_outp(Base + 8, 0x07);
    VN_Lib::_inpw(Base + 2);
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        while ((VN_Lib::_inp(Base) & 1) == 0) {
        }
        benchmark::DoNotOptimize(VN_Lib::_inpw(Base + 2));
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    Report(state, static_cast<double>(state.iterations()), seconds, card.NominalRate());
}
BENCHMARK(BM_PollingThroughPortSeam)->MinTime(0.5);

}  // namespace

BENCHMARK_MAIN();
