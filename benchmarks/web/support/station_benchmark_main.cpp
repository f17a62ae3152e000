#include "station_benchmark_main.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstdio>

namespace VN_Bench {

int RunStationBenchmarks(int argc, char** argv, std::unique_ptr<WebStation>& station, std::vector<Ratio_T> ratios) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    curl_global_init(CURL_GLOBAL_DEFAULT);
    station = std::make_unique<WebStation>();
    if (!station->Ready()) {
        std::fprintf(stderr, "the station's web server did not serve the sample\n%s", station->Output().c_str());
        return 1;
    }
    RatioReporter reporter(std::move(ratios));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    station.reset();
    curl_global_cleanup();
    return 0;
}

}  // namespace VN_Bench
