#ifndef VN_BENCH_CURVE_SWEEPER_H
#define VN_BENCH_CURVE_SWEEPER_H

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "web_station.h"

namespace VN_Bench {

// Keeps the station sweeping: asks "/admin/take_curves" for every module
// again once the last run answered and the pause after it is over (none by
// default). Stopping waits for the run asked last, so no sweep outlives the
// sweeper.
class CurveSweeper {
public:
    explicit CurveSweeper(const WebStation& station, std::chrono::milliseconds pause = {});
    ~CurveSweeper();
    CurveSweeper(const CurveSweeper&) = delete;
    CurveSweeper& operator=(const CurveSweeper&) = delete;

    // Runs answered with their curves, and those that were not (504, no reply).
    long Completed() const { return completed; }
    long Failed() const { return failed; }

private:
    void Run(int port, std::chrono::milliseconds pause);

    std::mutex stopLock;
    std::condition_variable stopped;
    bool stop = false;
    std::atomic<long> completed{0};
    std::atomic<long> failed{0};
    std::thread thread;
};

}  // namespace VN_Bench

#endif
