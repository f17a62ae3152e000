#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "shell.h"

namespace VN_Lib {

int RunShellCommand(const std::string& command) { return std::system(command.c_str()); }

namespace {

const int NotRunStatus = 127 << 8;

// The child's side: input from the pipe, output to /dev/null, then the
// program. Only async-signal-safe calls: other threads may hold locks.
[[noreturn]] void ExecWithInput(char* const* args, int readEnd) {
    const int null = open("/dev/null", O_WRONLY);
    if (null < 0 || dup2(readEnd, STDIN_FILENO) < 0 || dup2(null, STDOUT_FILENO) < 0 ||
        dup2(null, STDERR_FILENO) < 0)
        _exit(127);
    execvp(args[0], args);
    _exit(127);
}

// A program that exits without reading raises SIGPIPE, which must not end the
// controller: blocked on this thread for the write, then taken back.
void WriteAll(int fd, const std::string& text) {
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    bool broken = false;
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            broken = true;  // the program's status tells the rest
            break;
        }
        written += static_cast<size_t>(n);
    }
    if (broken) {
        const struct timespec none = {0, 0};
        sigtimedwait(&pipeSignal, nullptr, &none);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

}  // namespace

int RunProgramWithInput(const std::vector<std::string>& argv, const ProgramInput_T& input) {
    if (argv.empty()) return NotRunStatus;
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return NotRunStatus;
    const pid_t child = fork();
    if (child == 0) ExecWithInput(args.data(), ends[0]);
    close(ends[0]);
    if (child < 0) {
        close(ends[1]);
        return NotRunStatus;
    }
    WriteAll(ends[1], input.text);
    close(ends[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return NotRunStatus;
    }
    return status;
}

}  // namespace VN_Lib
