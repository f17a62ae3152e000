#ifndef VN_TEST_COMMA_LOCALE_H
#define VN_TEST_COMMA_LOCALE_H

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>
#include <thread>

#include "c_locale.h"

namespace VN_Test {

// The process's global locale is one that writes reals with a decimal comma
// ("5,11"), as a library calling setlocale could make it, and is restored after
// the test. Skipped when the machine lacks the locale (scripts/setup.sh
// generates it).
class CommaLocaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous = std::setlocale(LC_ALL, nullptr);
        if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
        char text[16];
        std::snprintf(text, sizeof text, "%.2f", 5.11);
        ASSERT_STREQ("5,11", text) << "the test locale does not write a decimal comma";
    }
    void TearDown() override { std::setlocale(LC_ALL, previous.c_str()); }

    // Runs body in a new thread that starts as every thread of the programs
    // does; returns when it has ended.
    template <typename Body>
    static void InProgramThread(Body body) {
        std::thread thread([&body] {
            VN_Lib::UseCLocale();
            body();
        });
        thread.join();
    }

private:
    std::string previous;
};

}  // namespace VN_Test

#endif
