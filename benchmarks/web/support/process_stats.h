#ifndef VN_BENCH_PROCESS_STATS_H
#define VN_BENCH_PROCESS_STATS_H

#include <sys/types.h>

#include <string>
#include <vector>

namespace VN_Bench {

// What a running program costs, from /proc; zeros when it is gone.
struct ProcessStats_T {
    double cpuSeconds = 0;  // user and system time so far
    long residentKb = 0;
    int descriptors = 0;
    int threads = 0;
};

ProcessStats_T ReadProcessStats(pid_t pid);

// How late each sample of the controller's message log started ("Sample
// <time>, <n> ms late" lines), from the given offset of its output on.
std::vector<double> SampleLateness(const std::string& output, size_t from = 0);

}  // namespace VN_Bench

#endif
