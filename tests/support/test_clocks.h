#ifndef VN_TEST_TEST_CLOCKS_H
#define VN_TEST_TEST_CLOCKS_H

#include <sys/time.h>

#include <atomic>
#include <cstdint>
#include <ctime>

#include "clock.h"

namespace VN_Test {

// Both clocks of the clock seam under the test's control, for as long as the
// object lives. Running clocks follow the real ones from offsets the test
// moves, so code that busy-waits or polls still sees time pass; frozen clocks
// move only when the test (or a fake it drives) says so.
class TestClocks {
public:
    enum Mode_T { Running, Frozen };

    explicit TestClocks(Mode_T clockMode = Running) {
        mode.store(clockMode);
        monotonicOffsetUs.store(0);
        timeOfDayOffsetUs.store(0);
        VN_Lib::SetClockFunction(&ReadTimeOfDay);
        VN_Lib::SetMonotonicClockFunction(&ReadMonotonic);
    }
    ~TestClocks() {
        VN_Lib::SetClockFunction(nullptr);
        VN_Lib::SetMonotonicClockFunction(nullptr);
    }
    TestClocks(const TestClocks&) = delete;
    TestClocks& operator=(const TestClocks&) = delete;

    // Time passes: both clocks move on.
    static void Elapse(int64_t us) {
        monotonicOffsetUs.fetch_add(us);
        timeOfDayOffsetUs.fetch_add(us);
    }
    // Someone sets the time of day back (negative) or forward.
    static void ShiftTimeOfDay(int64_t us) { timeOfDayOffsetUs.fetch_add(us); }
    // The time of day reads t now.
    static void SetTimeOfDay(time_t t) {
        timeOfDayOffsetUs.store(static_cast<int64_t>(t) * 1000000 - Base(false));
    }
    static int64_t MonotonicUs() { return Base(true) + monotonicOffsetUs.load(); }
    static int64_t TimeOfDayUs() { return Base(false) + timeOfDayOffsetUs.load(); }

private:
    static int64_t Base(bool monotonic) {
        if (mode.load() == Frozen) return monotonic ? int64_t(1000) * 1000000 : int64_t(1700000000) * 1000000;
        struct timespec now = {0, 0};
        clock_gettime(monotonic ? CLOCK_MONOTONIC : CLOCK_REALTIME, &now);
        return static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
    }
    static void Fill(int64_t us, struct timeval* tv) {
        tv->tv_sec = static_cast<time_t>(us / 1000000);
        tv->tv_usec = static_cast<suseconds_t>(us % 1000000);
    }
    static void ReadTimeOfDay(struct timeval* tv) { Fill(TimeOfDayUs(), tv); }
    static void ReadMonotonic(struct timeval* tv) { Fill(MonotonicUs(), tv); }

    static inline std::atomic<Mode_T> mode{Running};
    static inline std::atomic<int64_t> monotonicOffsetUs{0};
    static inline std::atomic<int64_t> timeOfDayOffsetUs{0};
};

}  // namespace VN_Test

#endif
