#include "curve_sweeper.h"

#include "web_client.h"

namespace VN_Bench {

CurveSweeper::CurveSweeper(const WebStation& station, std::chrono::milliseconds pause)
    : thread([this, &station, pause] { Run(station.HttpPort(), pause); }) {}

CurveSweeper::~CurveSweeper() {
    {
        std::lock_guard<std::mutex> lock(stopLock);
        stop = true;
    }
    stopped.notify_all();
    thread.join();
}

void CurveSweeper::Run(int port, std::chrono::milliseconds pause) {
    VN_Test::HttpRequest_T request;
    request.uri = "/admin/take_curves";
    request.user = WebStation::Admin;
    request.password = WebStation::AdminPassword;
    request.post = true;
    request.body = WebStation::AllModules;
    // Longer than the server waits for four curves, so it answers first.
    request.timeoutMs = 120000;
    std::unique_lock<std::mutex> lock(stopLock);
    while (!stop) {
        lock.unlock();
        if (VN_Test::Http(port, request).status == 200) {
            ++completed;
        } else {
            ++failed;
        }
        lock.lock();
        stopped.wait_for(lock, pause, [this] { return stop; });
    }
}

}  // namespace VN_Bench
