#ifndef VN_BENCH_RATIO_REPORTER_H
#define VN_BENCH_RATIO_REPORTER_H

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace VN_Bench {

// One figure of a benchmark against the same figure of its reference: the
// reference's name is the measured one's with the word `measured` replaced
// by `reference` (e.g. ".../sample/threads:16" against ".../static/threads:16").
struct Ratio_T {
    std::string measured;
    std::string reference;
    std::string counter;
};

// The console report, then each ratio of the run: the counter's mean over
// the repetitions of either benchmark, and measured/reference.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    explicit RatioReporter(std::vector<Ratio_T> ratios);
    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

private:
    struct Sum_T {
        double total = 0;
        int count = 0;
        double Mean() const { return total / count; }
    };

    const std::vector<Ratio_T> ratios;
    // Benchmark name -> counter name -> values of its repetitions.
    std::map<std::string, std::map<std::string, Sum_T>> sums;
};

}  // namespace VN_Bench

#endif
