#include "web/start_gate.h"

#include <condition_variable>
#include <mutex>

namespace VN_Sample {

namespace {

struct Gate_T {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
};

// Built on first use: the web server's workers wait here while the program's
// globals are still being constructed, and a condition variable constructed
// after a worker began waiting on it would lose that waiter.
Gate_T& TheGate() {
    static Gate_T gate;
    return gate;
}

}  // namespace

void OpenWebRoutes() {
    Gate_T& gate = TheGate();
    {
        std::lock_guard<std::mutex> lock(gate.mutex);
        gate.open = true;
    }
    gate.opened.notify_all();
}

void WaitForWebRoutes() {
    Gate_T& gate = TheGate();
    std::unique_lock<std::mutex> lock(gate.mutex);
    gate.opened.wait(lock, [&gate] { return gate.open; });
}

}  // namespace VN_Sample
