// The console of the running controller: typed at on a terminal (the
// system description, a saved network address, the stop from the service
// menu), and ending by itself when the program has no input.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "console/interface.h"
#include "station_fixture.h"
#include "test_support.h"

namespace {

const int Patience = 60000;

// The controller on a pseudo-terminal, as on the station's console.
class ConsoleTerminal {
public:
    ConsoleTerminal(const std::string& program, const std::string& dir) {
        pid = forkpty(&master, nullptr, nullptr, nullptr);
        if (pid == 0) {
            if (chdir(dir.c_str()) != 0) _exit(127);
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        if (master >= 0) fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~ConsoleTerminal() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (master >= 0) close(master);
    }
    ConsoleTerminal(const ConsoleTerminal&) = delete;
    ConsoleTerminal& operator=(const ConsoleTerminal&) = delete;

    // Takes what the program wrote so far; the program must never block on
    // a full terminal, so every wait keeps reading.
    void Drain() {
        char buffer[4096];
        for (;;) {
            const ssize_t got = read(master, buffer, sizeof buffer);
            if (got <= 0) return;
            screen.append(buffer, static_cast<size_t>(got));
        }
    }

    // Waits for the condition, reading the terminal meanwhile.
    bool Until(const std::function<bool()>& condition) {
        return VN_Test::WaitUntil(
            [&] {
                Drain();
                return condition();
            },
            Patience);
    }

    // Waits for the text after what was matched before, and moves past it.
    bool WaitFor(const std::string& text) { return WaitForEither(text, text) == text; }

    // The first of the two texts to come next; "" when neither does.
    std::string WaitForEither(const std::string& one, const std::string& other) {
        std::string first;
        Until([&] {
            const size_t a = screen.find(one, seen), b = screen.find(other, seen);
            if (a == std::string::npos && b == std::string::npos) return false;
            first = a <= b ? one : other;
            seen = std::min(a, b) + first.size();
            return true;
        });
        return first;
    }

    bool Type(const std::string& line) {
        const std::string keys = line + "\r";
        return write(master, keys.data(), keys.size()) == static_cast<ssize_t>(keys.size());
    }

    // Waits for the program to end; its wait status, or -1.
    int WaitForExit() {
        int status = -1;
        if (!Until([&] { return waitpid(pid, &status, WNOHANG) == pid; })) return -1;
        pid = -1;
        return status;
    }

    std::string screen;

private:
    pid_t pid = -1;
    int master = -1;
    size_t seen = 0;
};

const char* const Prompt = "and press Enter>  ";

bool Contains(const std::string& file, const std::string& text) {
    return VN_Test::ReadFile(file).find(text) != std::string::npos;
}

TEST(ControllerConsoleEndToEnd, TypedAtOnATerminal) {
    VN_Test::StationCopy station;
    ConsoleTerminal terminal(VN_CONTROLLER_PATH, station.Path());
    ASSERT_TRUE(terminal.WaitFor("4) Reset Passwords")) << terminal.screen;
    ASSERT_TRUE(terminal.WaitFor(Prompt));

    // The system description, page by page, then the main menu again.
    ASSERT_TRUE(terminal.Type("3"));
    ASSERT_TRUE(terminal.WaitFor("Vantrel System")) << terminal.screen;
    for (int page = 0; page < 20; ++page) {
        const std::string next = terminal.WaitForEither("Press enter to continue>", "1) Network Setup");
        ASSERT_NE("", next) << terminal.screen;
        if (next == "1) Network Setup") break;
        ASSERT_TRUE(terminal.Type(""));
    }
    EXPECT_NE(std::string::npos, terminal.screen.find("Controller Software Version 5.12"));
    ASSERT_TRUE(terminal.WaitFor(Prompt));

    ASSERT_TRUE(terminal.Type("1"));
    ASSERT_TRUE(terminal.WaitFor("Host Name      :  vantrel"));
    ASSERT_TRUE(terminal.WaitFor(Prompt));
    ASSERT_TRUE(terminal.Type("1"));
    ASSERT_TRUE(terminal.WaitFor("Enter IP address"));
    ASSERT_TRUE(terminal.Type("192.168.7.21"));
    ASSERT_TRUE(terminal.WaitFor(Prompt));
    ASSERT_TRUE(terminal.Type("2"));
    ASSERT_TRUE(terminal.WaitFor("Enter Subnet Mask"));
    ASSERT_TRUE(terminal.Type("255.255.255.0"));
    ASSERT_TRUE(terminal.WaitFor(Prompt));
    ASSERT_TRUE(terminal.Type("6"));
    ASSERT_TRUE(terminal.WaitFor("IP Address     :  192.168.7.21")) << terminal.screen;
    ASSERT_TRUE(terminal.WaitFor(Prompt));
    const std::string journal = station.File("shell_journal.log");
    EXPECT_TRUE(Contains(journal, "ifconfig eth0 192.168.7.21 netmask 255.255.255.0\t"));
    // The main loop writes the settings file it was asked to.
    EXPECT_TRUE(terminal.Until([&] { return Contains(station.File("settings.xml"), "ipaddress=\"192.168.7.21\""); }));
    ASSERT_TRUE(terminal.Type("7"));
    ASSERT_TRUE(terminal.WaitFor(Prompt));

    ASSERT_TRUE(terminal.Type(std::to_string(VN_Sample::interface::HiddenMenuSelection)));
    ASSERT_TRUE(terminal.WaitFor("1) Quit Controller Program"));
    ASSERT_TRUE(terminal.WaitFor(Prompt));
    ASSERT_TRUE(terminal.Type("1"));
    const int status = terminal.WaitForExit();
    ASSERT_TRUE(WIFEXITED(status)) << status << terminal.screen;
    EXPECT_EQ(0, WEXITSTATUS(status)) << terminal.screen;
    EXPECT_TRUE(Contains(journal, "./kill_vn\t"));
}

// No thread of the process carries the name.
bool NoThreadNamed(int pid, const std::string& name) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        if (VN_Test::ReadFile(task.path().string() + "/comm") == name + "\n") return false;
    }
    return !error;
}

int HttpPort(const VN_Test::StationCopy& station) {
    const std::string description = VN_Test::ReadFile(station.File("sim_station.xml"));
    const size_t at = description.find("http_port=\"");
    return at == std::string::npos ? -1 : std::atoi(description.c_str() + at + 11);
}

// Run as a service or a test's child (input /dev/null), the console shows
// its menu once and its thread ends; the controller runs on and serves.
TEST(ControllerConsoleEndToEnd, EndsWhenThereIsNoInput) {
    VN_Test::StationCopy station;
    VN_Test::ChildProcess controller(VN_CONTROLLER_PATH, station.Path());
    ASSERT_TRUE(VN_Test::WaitUntil([&] { return controller.Output().find(Prompt) != std::string::npos; }, Patience))
        << controller.Output();
    EXPECT_TRUE(VN_Test::WaitUntil([&] { return NoThreadNamed(controller.Pid(), "vn_console"); }, Patience));
    EXPECT_TRUE(controller.Running());
    const int port = HttpPort(station);
    ASSERT_GT(port, 0);
    EXPECT_TRUE(VN_Test::WaitUntil([&] { return VN_Test::Connects("127.0.0.1", port); }, Patience));
    const std::string output = controller.Output();
    size_t menus = 0;
    for (size_t at = output.find("1) Network Setup"); at != std::string::npos; at = output.find("1) Network Setup", at + 1))
        ++menus;
    EXPECT_EQ(1u, menus) << output;
}

}  // namespace
