// A log switched on and off by one thread (the controller's console) while
// another writes through it.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "log.h"

namespace {

TEST(LogThreads, SwitchedWhileAnotherThreadWrites) {
    VN_Lib::Log log;
    log.Disable();
    std::atomic<bool> done{false};
    std::thread writer([&] {
        do {
            log.Write("");
        } while (!done);
    });
    for (int i = 0; i < 1000; ++i) {
        log.Enable();
        log.Disable();
    }
    done = true;
    writer.join();
    EXPECT_FALSE(log.IsEnabled());
}

}  // namespace
