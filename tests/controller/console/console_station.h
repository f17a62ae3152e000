#ifndef VN_TEST_CONSOLE_STATION_H
#define VN_TEST_CONSOLE_STATION_H

#include <ostream>
#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <string>

#include "../settings/settings_station.h"
#include "acquisition/data_system.h"
#include "console/interface.h"
#include "schedule/data_sampler.h"

namespace VN_Test {

// Collects what the console writes, and throws once that grows past any
// menu's worth: a console that keeps re-showing its menus on an ended input
// fails the test at once instead of hanging it.
class BoundedText : public std::streambuf {
public:
    static const size_t Limit = 1 << 20;
    std::string text;

protected:
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) Add(std::string(1, traits_type::to_char_type(c)));
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        Add(std::string(s, static_cast<size_t>(n)));
        return n;
    }

private:
    void Add(const std::string& more) {
        text += more;
        if (text.size() > Limit) throw std::length_error("the console runs on without input");
    }
};

// A console on a scratch station folder, its own sampler and data system,
// fed the answers given and its screen collected.
class ConsoleStation : public SettingsStation {
protected:
    using Menu_T = void (VN_Sample::interface::*)();

    // The screen of one menu run on these answers (one per line).
    std::string Drive(Menu_T menu, const std::string& answers) {
        std::istringstream input(answers);
        BoundedText screen;
        std::ostream output(&screen);
        output.exceptions(std::ios::badbit);
        VN_Sample::interface console(sampler, system, input, output);
        EXPECT_NO_THROW((console.*menu)()) << answers;
        ended = console.Ended();
        temporaryIp = console.ipaddress;
        return screen.text;
    }

    static size_t Count(const std::string& text, const std::string& part) {
        size_t count = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
        return count;
    }

    VN_Sample::DataSampler sampler;
    VN_Sample::DataSystem system;
    bool ended = false;
    std::string temporaryIp;
};

}  // namespace VN_Test

#endif
