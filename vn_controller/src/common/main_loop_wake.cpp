#include "common/main_loop_wake.h"

#include <condition_variable>
#include <mutex>

namespace {

struct Wake_T {
    std::mutex mutex;
    std::condition_variable condition;
    // Kept until the loop's next sleep takes it, so a wake posted while the
    // loop computes its sleep is not lost.
    bool posted = false;
};

// Never destroyed: a detached thread (the console's, after its quit) may
// still be waking the loop while the program's statics are torn down.
Wake_T& Wake() {
    static Wake_T* const wake = new Wake_T;
    return *wake;
}

}  // namespace

void WakeMainLoop() {
    Wake_T& wake = Wake();
    {
        std::lock_guard<std::mutex> lock(wake.mutex);
        wake.posted = true;
    }
    wake.condition.notify_one();
}

bool SleepUntilWoken(std::chrono::microseconds limit) {
    Wake_T& wake = Wake();
    std::unique_lock<std::mutex> lock(wake.mutex);
    const bool woken = wake.condition.wait_for(lock, limit, [&] { return wake.posted; });
    wake.posted = false;
    return woken;
}
