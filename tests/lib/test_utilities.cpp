#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "led.h"
#include "log.h"
#include "test_support.h"
#include "utilities.h"
#include "vn_sim/port_space.h"

namespace {

TEST(UtilitiesTest, BaudRatesAndSpeedCodesMapBothWays) {
    const unsigned bauds[] = {110, 150, 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    const unsigned short codes[] = {3, 5, 7, 8, 9, 11, 12, 13, 14, 15, 4097, 4098};
    for (size_t i = 0; i < sizeof(bauds) / sizeof(bauds[0]); ++i) {
        EXPECT_EQ(VN_Lib::GetCodeFromBaud(bauds[i]), codes[i]) << bauds[i];
        EXPECT_EQ(VN_Lib::GetBaudFromCode(codes[i]), static_cast<int>(bauds[i])) << codes[i];
    }
    EXPECT_EQ(VN_Lib::GetCodeFromBaud(12345), 4098);
    EXPECT_EQ(VN_Lib::GetCodeFromBaud(0), 4098);
    EXPECT_EQ(VN_Lib::GetBaudFromCode(0), 115200);
    EXPECT_EQ(VN_Lib::GetBaudFromCode(4096), 115200);
}

TEST(UtilitiesTest, TimeOfDayAndDecimalText) {
    EXPECT_EQ(VN_Lib::make_tod(23, 59, 59), 86399);
    EXPECT_EQ(VN_Lib::make_tod(0, 0, 0), 0);
    EXPECT_EQ(VN_Lib::make_tod(12, 30, 15), 45015);
    EXPECT_EQ(VN_Lib::intToString(-42), "-42");
    EXPECT_EQ(VN_Lib::intToString(INT_MIN), "-2147483648");
}

TEST(UtilitiesTest, FlippedValuesAreBigEndianAndTouchOnlyTheirBytes) {
    unsigned char bytes[4];
    float target;
    VN_Lib::flip_float(&target, 1.0f);
    std::memcpy(bytes, &target, 4);
    EXPECT_EQ(bytes[0], 0x3F);
    EXPECT_EQ(bytes[1], 0x80);
    EXPECT_EQ(bytes[2], 0x00);
    EXPECT_EQ(bytes[3], 0x00);

    int word = 0x55555555;
    VN_Lib::flip_int(&word, 0x7A1234);
    std::memcpy(bytes, &word, 4);
    EXPECT_EQ(bytes[0], 0x12);
    EXPECT_EQ(bytes[1], 0x34);
    EXPECT_EQ(bytes[2], 0x55);
    EXPECT_EQ(bytes[3], 0x55);
}

// Runs the body with a time zone that changes to summer time on the last
// Sunday of March and back on the last Sunday of October.
class BerlinTimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        hadTz = tz != nullptr;
        if (hadTz) previousTz = tz;
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
    }
    void TearDown() override {
        if (hadTz)
            setenv("TZ", previousTz.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

    bool hadTz = false;
    std::string previousTz;
};

TEST_F(BerlinTimeTest, DateIsLocalMidnightAlsoOnDaylightSavingChangeDays) {
    // Ordinary winter day: midnight CET is 23:00 UTC the evening before.
    time_t t = VN_Test::UtcTime(2026, 1, 15, 11, 0);
    EXPECT_EQ(VN_Lib::date(&t), VN_Test::UtcTime(2026, 1, 14, 23, 0));
    // Spring change (29 March 2026): midnight was still winter time.
    t = VN_Test::UtcTime(2026, 3, 29, 10, 0);
    EXPECT_EQ(VN_Lib::date(&t), VN_Test::UtcTime(2026, 3, 28, 23, 0));
    // Autumn change (25 October 2026): midnight was still summer time.
    t = VN_Test::UtcTime(2026, 10, 25, 11, 0);
    EXPECT_EQ(VN_Lib::date(&t), VN_Test::UtcTime(2026, 10, 24, 22, 0));
    // Midnight itself and the last second of a day.
    t = VN_Test::UtcTime(2026, 6, 30, 22, 0);
    EXPECT_EQ(VN_Lib::date(&t), t);
    t = VN_Test::UtcTime(2026, 6, 30, 21, 59) + 59;
    EXPECT_EQ(VN_Lib::date(&t), VN_Test::UtcTime(2026, 6, 29, 22, 0));
    EXPECT_EQ(VN_Lib::date(nullptr), -1);
}

TEST(UtilitiesTest, KbhitSeesOnlyWaitingInput) {
    int savedStdin = dup(STDIN_FILENO);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    dup2(fds[0], STDIN_FILENO);
    EXPECT_EQ(VN_Lib::kbhit(), 0);
    ASSERT_EQ(write(fds[1], "x", 1), 1);
    EXPECT_EQ(VN_Lib::kbhit(), 1);
    dup2(savedStdin, STDIN_FILENO);
    close(savedStdin);
    close(fds[0]);
    close(fds[1]);
}

TEST(UtilitiesTest, PrintTestLine) {
    testing::internal::CaptureStdout();
    VN_Lib::print_test();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), " Test F\n");
}

// The LED register pair: state read at the base, written at base + 1.
class LatchDevice : public VN_Sim::PortDevice {
public:
    uint8_t ReadByte(unsigned offset) override { return offset == 0 ? latch : 0xFF; }
    void WriteByte(unsigned offset, uint8_t value) override {
        ++writes;
        if (offset == 1) latch = value;
    }
    uint8_t latch = 0xFF;
    int writes = 0;
};

class LedTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(VN_Sim::PortSpace::Instance().Map(Base, 2, device), 0); }
    void TearDown() override { VN_Sim::PortSpace::Instance().UnmapAll(); }

    static const int Base = 0x318;
    std::shared_ptr<LatchDevice> device = std::make_shared<LatchDevice>();
};

TEST_F(LedTest, SetClearToggleChangeOnlyTheirActiveLowBit) {
    VN_Lib::Led led(Base, 3);
    device->latch = 0xA5 | 0x08;
    EXPECT_EQ(led.IsOn(), 0);
    led.Set();
    EXPECT_EQ(device->latch, 0xA5);
    EXPECT_EQ(led.IsOn(), 1);
    led.Toggle();
    EXPECT_EQ(device->latch, 0xAD);
    EXPECT_EQ(led.IsOn(), 0);
    led.Toggle();
    EXPECT_EQ(led.IsOn(), 1);
    led.Clear();
    EXPECT_EQ(device->latch, 0xAD);
    EXPECT_EQ(led.IsOn(), 0);
}

TEST_F(LedTest, LedWithoutValidBitDoesNothing) {
    device->latch = 0x00;
    VN_Lib::Led beyond(Base, 8);
    VN_Lib::Led negative(Base, -1);
    VN_Lib::Led unset;
    for (VN_Lib::Led* led : {&beyond, &negative, &unset}) {
        led->Set();
        led->Clear();
        led->Toggle();
        EXPECT_EQ(led->IsOn(), 0);
    }
    EXPECT_EQ(device->writes, 0);
    EXPECT_EQ(device->latch, 0x00);
}

TEST(LogTest, WritesOnlyWhenEnabledAndCutsLongFormattedText) {
    VN_Lib::Log log;
    testing::internal::CaptureStdout();
    log.Write(std::string("a"));
    log.Writef("%d-%s", 7, "x");
    log.Disable();
    log.Write("hidden");
    log.Writef("%s", "hidden");
    VN_Lib::Log::LogPrintf("<%d>", 3);
    log.Enable();
    log.Write(static_cast<const char*>(nullptr));
    log.Writef("%s", std::string(5000, 'z').c_str());
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "a7-x<3>" + std::string(VN_Lib::Log::BufferSize - 1, 'z'));
}

}  // namespace
