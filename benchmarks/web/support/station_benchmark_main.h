#ifndef VN_BENCH_STATION_BENCHMARK_MAIN_H
#define VN_BENCH_STATION_BENCHMARK_MAIN_H

#include <memory>
#include <vector>

#include "ratio_reporter.h"
#include "web_station.h"

namespace VN_Bench {

// A web benchmark program's main: starts the station the benchmarks ask
// (into `station`), runs them with their ratios reported, stops it. The
// program's exit status.
int RunStationBenchmarks(int argc, char** argv, std::unique_ptr<WebStation>& station, std::vector<Ratio_T> ratios);

}  // namespace VN_Bench

#endif
