#include "web/start_gate.h"

#include <condition_variable>
#include <mutex>

namespace VN_Sample {

namespace {

std::mutex gateMutex;
std::condition_variable gateOpened;
bool open = false;

}  // namespace

void OpenWebRoutes() {
    {
        std::lock_guard<std::mutex> lock(gateMutex);
        open = true;
    }
    gateOpened.notify_all();
}

void WaitForWebRoutes() {
    std::unique_lock<std::mutex> lock(gateMutex);
    gateOpened.wait(lock, [] { return open; });
}

}  // namespace VN_Sample
