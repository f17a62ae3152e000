// Intervals measured on the monotonic clock: setting the time of day back or
// forward by an hour in the middle of one neither stretches nor ends it.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "clock.h"
#include "command_control.h"
#include "sys_error.h"
#include "test_clocks.h"
#include "timers.h"

using VN_Test::TestClocks;

namespace {

const int64_t HourUs = int64_t(3600) * 1000000;
const int64_t Never = INT64_MAX;

// A link whose waits and writes take time on frozen test clocks: a byte
// arrives, or the peer drains its buffer, at a chosen monotonic instant. The
// time of day is shifted by `jump` at the first wait or write attempt.
class TimedLink : public VN_Lib::CommandControl {
public:
    TimedLink(int64_t jumpUs, int64_t eventAfterUs)
        : CommandControl(LinkNone), jump(jumpUs), eventUs(eventAfterUs == Never ? Never : Now() + eventAfterUs) {
        int ends[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) == 0) {
            descriptor = ends[0];
            peer = ends[1];
        }
    }
    ~TimedLink() override {
        Close();
        if (peer >= 0) close(peer);
    }
    int OpenPort() override { return 0; }
    int SendData(int length, const char* data, int timeoutMs) override { return WriteAll(data, length, timeoutMs); }
    int GetData(int maxLength, char* buffer, int* count) override {
        *count = 0;
        if (maxLength > 0 && Due() && !delivered) {
            buffer[0] = 'x';
            *count = 1;
            delivered = true;
        }
        return 0;
    }
    int EmptyInputBuffer() override { return 0; }

    static int64_t Now() { return TestClocks::MonotonicUs(); }

protected:
    bool WaitForInput(int timeoutMs) override {
        Jump();
        // Like poll: back when the byte arrives or after the time-out, never at once.
        int64_t wait = std::max<int64_t>(timeoutMs, 1) * 1000;
        if (eventUs != Never && eventUs > Now()) wait = std::min(wait, eventUs - Now());
        TestClocks::Elapse(wait);
        return Due();
    }
    ssize_t WriteSome(const char* data, size_t length) override {
        Jump();
        TestClocks::Elapse(10000);  // one attempt and its wait for room
        if (Due()) return static_cast<ssize_t>(length);
        errno = EAGAIN;
        return -1;
    }

private:
    bool Due() const { return eventUs != Never && Now() >= eventUs; }
    void Jump() {
        if (jumped) return;
        TestClocks::ShiftTimeOfDay(jump);
        jumped = true;
    }

    int64_t jump;
    int64_t eventUs;
    bool jumped = false;
    bool delivered = false;
    int peer = -1;
};

TEST(ClockSeam, MonotonicClockIsNotTheTimeOfDay) {
    // A test-installed time of day far from now leaves the monotonic clock alone.
    VN_Lib::SetClockFunction([](struct timeval* tv) { *tv = {2222222222, 0}; });
    struct timeval seam = {0, 0};
    ASSERT_EQ(0, VN_Lib::GetMonotonicTime(&seam));
    struct timespec system = {0, 0};
    clock_gettime(CLOCK_MONOTONIC, &system);
    VN_Lib::SetClockFunction(nullptr);
    EXPECT_LT(std::llabs(static_cast<long long>(system.tv_sec) - seam.tv_sec), 60);
}

TEST(ClockJumps, TimersMeasureIntervalsWhateverTheTimeOfDaySays) {
    TestClocks clocks(TestClocks::Frozen);
    for (int64_t jump : {-HourUs, HourUs}) {
        SCOPED_TRACE(jump);
        LongTimer timer;
        timer.SetAlarm(500UL);
        timer.EnableAlarm();
        VN_Lib::ShortTimer shortTimer;
        shortTimer.SetAlarm(500000UL);
        shortTimer.EnableAlarm();

        TestClocks::Elapse(200000);
        TestClocks::ShiftTimeOfDay(jump);
        EXPECT_EQ(200, timer.ReadTimerMilliSeconds());
        EXPECT_EQ(0, timer.ReadTimerSeconds());
        EXPECT_EQ(0, timer.CheckAlarm());
        EXPECT_EQ(200000u, shortTimer.ReadTimerMicroSeconds());
        EXPECT_EQ(0, shortTimer.CheckAlarm());

        TestClocks::Elapse(300000);
        EXPECT_EQ(1, timer.CheckAlarm());
        EXPECT_EQ(1, shortTimer.CheckAlarm());
    }
}

TEST(ClockJumps, ByteTimeOutLastsItsDurationAcrossAClockChange) {
    TestClocks clocks(TestClocks::Frozen);
    char byte = 0;

    // Set back: the wait still ends after 100 ms, not an hour later.
    TimedLink silent(-HourUs, Never);
    int64_t start = TimedLink::Now();
    EXPECT_EQ(VN_Lib::ERR_TIMEOUT, silent.ReadByte(&byte, 100));
    EXPECT_GE(TimedLink::Now() - start, 100000);
    EXPECT_LE(TimedLink::Now() - start, 110000);

    // Set forward: a byte arriving 50 ms into a 200 ms wait is still taken.
    TimedLink late(HourUs, 50000);
    EXPECT_EQ(0, late.ReadByte(&byte, 200));
    EXPECT_EQ('x', byte);
}

TEST(ClockJumps, WriteTimeOutLastsItsDurationAcrossAClockChange) {
    TestClocks clocks(TestClocks::Frozen);
    const char data[] = "[request]";

    // Set back: a peer that never drains is given up after 100 ms.
    TimedLink stuck(-HourUs, Never);
    int64_t start = TimedLink::Now();
    EXPECT_EQ(VN_Lib::ERR_LINK_NOT_OPEN, stuck.SendData(sizeof(data), data, 100));
    EXPECT_GE(TimedLink::Now() - start, 100000);
    EXPECT_LE(TimedLink::Now() - start, 120000);

    // Set forward: a peer that drains after 30 ms takes the whole request.
    TimedLink slow(HourUs, 30000);
    EXPECT_EQ(0, slow.SendData(sizeof(data), data, 100));
}

}  // namespace
