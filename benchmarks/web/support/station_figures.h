#ifndef VN_BENCH_STATION_FIGURES_H
#define VN_BENCH_STATION_FIGURES_H

#include <sys/types.h>

#include <ctime>
#include <string>
#include <vector>

namespace VN_Bench {

// Figures of a running station copy: what its programs cost, when its
// samples started and which lines it stored.

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

// The times (seconds of the day) of the stored lines of from's day file in
// the station's data folder, between from and to.
std::vector<long> StoredLineTimes(const std::string& folder, time_t from, time_t to);

}  // namespace VN_Bench

#endif
