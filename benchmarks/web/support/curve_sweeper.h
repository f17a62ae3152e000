#ifndef VN_BENCH_CURVE_SWEEPER_H
#define VN_BENCH_CURVE_SWEEPER_H

#include <atomic>
#include <thread>

#include "web_station.h"

namespace VN_Bench {

// Keeps the station sweeping: asks "/admin/take_curves" for every module
// again as soon as the last run answered. Stopping waits for the run asked
// last, so no sweep outlives the sweeper.
class CurveSweeper {
public:
    explicit CurveSweeper(const WebStation& station);
    ~CurveSweeper();
    CurveSweeper(const CurveSweeper&) = delete;
    CurveSweeper& operator=(const CurveSweeper&) = delete;

    // Runs answered with their curves, and those that were not (504, no reply).
    long Completed() const { return completed; }
    long Failed() const { return failed; }

private:
    void Run(int port);

    std::atomic<bool> stop{false};
    std::atomic<long> completed{0};
    std::atomic<long> failed{0};
    std::thread thread;
};

}  // namespace VN_Bench

#endif
