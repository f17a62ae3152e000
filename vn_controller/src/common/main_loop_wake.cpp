#include "common/main_loop_wake.h"

#include <condition_variable>
#include <mutex>

namespace {

std::mutex wakeMutex;
std::condition_variable wakeCondition;
// Kept until the loop's next sleep takes it, so a wake posted while the loop
// computes its sleep is not lost.
bool wakePosted = false;

}  // namespace

void WakeMainLoop() {
    {
        std::lock_guard<std::mutex> lock(wakeMutex);
        wakePosted = true;
    }
    wakeCondition.notify_one();
}

bool SleepUntilWoken(std::chrono::microseconds limit) {
    std::unique_lock<std::mutex> lock(wakeMutex);
    const bool woken = wakeCondition.wait_for(lock, limit, [] { return wakePosted; });
    wakePosted = false;
    return woken;
}
