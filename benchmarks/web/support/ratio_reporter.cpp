#include "ratio_reporter.h"

#include <unistd.h>

#include <cstdio>
#include <utility>

namespace VN_Bench {

namespace {

// Path segments only, so "sample" does not match inside another word.
bool Replace(std::string& name, const std::string& from, const std::string& to) {
    const size_t at = name.find("/" + from + "/");
    if (at == std::string::npos) return false;
    name.replace(at + 1, from.size(), to);
    return true;
}

}  // namespace

// Colours only on a terminal, so a saved report stays plain text.
RatioReporter::RatioReporter(std::vector<Ratio_T> ratios_)
    : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular), ratios(std::move(ratios_)) {}

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
        for (const auto& counter : run.counters) {
            Sum_T& sum = sums[run.benchmark_name()][counter.first];
            sum.total += counter.second.value;
            ++sum.count;
        }
    }
}

void RatioReporter::Finalize() {
    ConsoleReporter::Finalize();
    for (const Ratio_T& ratio : ratios) {
        for (const auto& measured : sums) {
            std::string referenceName = measured.first;
            if (!Replace(referenceName, ratio.measured, ratio.reference)) continue;
            const auto reference = sums.find(referenceName);
            if (reference == sums.end()) continue;
            const auto value = measured.second.find(ratio.counter);
            const auto base = reference->second.find(ratio.counter);
            if (value == measured.second.end() || base == reference->second.end()) continue;
            std::printf("%s %s: %.4g against %.4g (%d/%d runs), ratio %s/%s %.3f\n", measured.first.c_str(),
                        ratio.counter.c_str(), value->second.Mean(), base->second.Mean(), value->second.count,
                        base->second.count, ratio.measured.c_str(), ratio.reference.c_str(),
                        value->second.Mean() / base->second.Mean());
        }
    }
    std::fflush(stdout);
}

}  // namespace VN_Bench
