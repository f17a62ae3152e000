#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include "unit_process.h"
#include "vn_sim/shell_journal.h"

namespace VN_Lib {

namespace {

const char* const StartText = "./vn_firmware&";
const char* const StopText = "killall -SIGTERM vn_firmware";
const auto StopGrace = std::chrono::seconds(2);

// The unit program this process started: several simulated stations may run
// on one machine, so it is only ever stopped by its own process id.
std::mutex unitMutex;
pid_t unitPid = -1;

// True once the child has ended and been reaped.
bool Reaped(pid_t pid) {
    int status = 0;
    pid_t done = waitpid(pid, &status, WNOHANG);
    return done == pid || (done < 0 && errno == ECHILD);
}

int StopLocked() {
    if (unitPid <= 0) {
        VN_Sim::ShellJournal::Append(StopText, "no unit program started here");
        return 0;
    }
    pid_t pid = unitPid;
    unitPid = -1;
    if (Reaped(pid)) {
        VN_Sim::ShellJournal::Append(StopText, "pid " + std::to_string(pid) + " had already ended");
        return 0;
    }
    kill(pid, SIGTERM);
    auto deadline = std::chrono::steady_clock::now() + StopGrace;
    while (std::chrono::steady_clock::now() < deadline) {
        if (Reaped(pid)) {
            VN_Sim::ShellJournal::Append(StopText, "stopped pid " + std::to_string(pid) + " with SIGTERM");
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    VN_Sim::ShellJournal::Append(StopText, "killed pid " + std::to_string(pid) + " after SIGTERM was ignored");
    return 0;
}

}  // namespace

int StartUnitProgram() {
    std::lock_guard<std::mutex> lock(unitMutex);
    if (unitPid > 0) StopLocked();
    if (access("./vn_firmware", X_OK) != 0) {
        VN_Sim::ShellJournal::Append(StartText, "not started: no executable ./vn_firmware");
        return 1;
    }
    const pid_t parent = getpid();
    pid_t pid = fork();
    if (pid < 0) {
        VN_Sim::ShellJournal::Append(StartText, "not started: fork failed");
        return 1;
    }
    if (pid == 0) {
        // A simulated unit ends with the thread that started it (the
        // controller's main loop or a long-lived service thread), so a
        // stopped or crashed controller leaves no unit behind.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(0);
        char* const argv[] = {const_cast<char*>("./vn_firmware"), nullptr};
        execv(argv[0], argv);
        _exit(127);
    }
    unitPid = pid;
    VN_Sim::ShellJournal::Append(StartText, "started pid " + std::to_string(pid));
    return 0;
}

int StopUnitProgram() {
    std::lock_guard<std::mutex> lock(unitMutex);
    return StopLocked();
}

}  // namespace VN_Lib
