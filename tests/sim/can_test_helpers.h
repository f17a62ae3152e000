#ifndef VN_TEST_CAN_TEST_HELPERS_H
#define VN_TEST_CAN_TEST_HELPERS_H

#include <sys/time.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <thread>
#include <vector>

#include "clock.h"
#include "vn_sim/can/can_node.h"
#include "vn_sim/spi_device.h"

namespace VN_Test {

// Every frame a wire hands to this node, in order.
class RecordingNode : public VN_Sim::CanNode {
public:
    bool ReceiveFrame(const VN_Sim::CanFrame_T& frame) override {
        std::lock_guard<std::mutex> lock(mutex);
        frames.push_back(frame);
        return true;
    }
    std::vector<VN_Sim::CanFrame_T> Frames() {
        std::lock_guard<std::mutex> lock(mutex);
        return frames;
    }

private:
    std::mutex mutex;
    std::vector<VN_Sim::CanFrame_T> frames;
};

// Polls the condition until it holds or the time is up; whether it held.
inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// One SPI instruction: select, the bytes, release; the bytes shifted out.
inline std::vector<uint8_t> Spi(VN_Sim::SpiDevice& device, std::initializer_list<uint8_t> bytes) {
    std::vector<uint8_t> out;
    device.Select();
    for (uint8_t byte : bytes) out.push_back(device.Transfer(byte));
    device.Deselect();
    return out;
}

// The system clock stands at a time the test sets, for as long as the object lives.
class FakeClock {
public:
    explicit FakeClock(int64_t startUs) {
        now.store(startUs);
        VN_Lib::SetClockFunction(&Read);
        VN_Lib::SetMonotonicClockFunction(&Read);
    }
    ~FakeClock() {
        VN_Lib::SetClockFunction(nullptr);
        VN_Lib::SetMonotonicClockFunction(nullptr);
    }
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    void Set(int64_t us) { now.store(us); }
    void Advance(int64_t us) { now.fetch_add(us); }

private:
    static void Read(struct timeval* tv) {
        const int64_t us = now.load();
        tv->tv_sec = static_cast<time_t>(us / 1000000);
        tv->tv_usec = static_cast<suseconds_t>(us % 1000000);
    }
    static inline std::atomic<int64_t> now{0};
};

}  // namespace VN_Test

#endif
