#include "test_support.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace VN_Test {

namespace {

struct tm CalendarTime(int year, int month, int day, int hour, int minute, int second) {
    struct tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return t;
}

}  // namespace

time_t UtcTime(int year, int month, int day, int hour, int minute, int second) {
    struct tm t = CalendarTime(year, month, day, hour, minute, second);
    return timegm(&t);
}

time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    struct tm t = CalendarTime(year, month, day, hour, minute, second);
    return mktime(&t);
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vn_test_XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) != nullptr) path = buf.data();
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(path, ec);
}

ScopedWorkingDir::ScopedWorkingDir(const std::string& dir) {
    previous = std::filesystem::current_path().string();
    std::filesystem::current_path(dir);
}

ScopedWorkingDir::~ScopedWorkingDir() {
    std::error_code ec;
    std::filesystem::current_path(previous, ec);
}

ScopedTimeZone::ScopedTimeZone(const char* zone) {
    const char* current = std::getenv("TZ");
    hadZone = current != nullptr;
    if (hadZone) previous = current;
    setenv("TZ", zone, 1);
    tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
    if (hadZone) {
        setenv("TZ", previous.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool FileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    auto pause = std::chrono::milliseconds(1);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(pause);
        pause = std::min(2 * pause, std::chrono::milliseconds(20));
    }
    return true;
}

int FreeTcpPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return -1;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof(addr);
    int port = -1;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    close(fd);
    return port;
}

ChildProcess::ChildProcess(const std::string& program, const std::string& workingDir,
                           const std::vector<std::string>& args, const std::string& input)
    : outputPath(workingDir + "/child_output.log") {
    int inputPipe[2] = {-1, -1};
    if (!input.empty() && pipe(inputPipe) != 0) return;
    pid = fork();
    if (pid == 0) {
        if (chdir(workingDir.c_str()) != 0) _exit(127);
        // Not the test runner's terminal: a controller would read its console there.
        const int stdinFrom = inputPipe[0] >= 0 ? inputPipe[0] : open("/dev/null", O_RDONLY);
        if (stdinFrom >= 0) {
            dup2(stdinFrom, STDIN_FILENO);
            close(stdinFrom);
        }
        if (inputPipe[1] >= 0) close(inputPipe[1]);
        int fd = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd >= 0) {
            dup2(fd, STDOUT_FILENO);
            dup2(fd, STDERR_FILENO);
            close(fd);
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    if (inputPipe[0] < 0) return;
    close(inputPipe[0]);
    inputFd = inputPipe[1];
    if (pid < 0 || !WriteInput(input)) {
        close(inputFd);
        inputFd = -1;
    }
}

bool ChildProcess::WriteInput(const std::string& text) {
    // Short texts only: they fit the pipe's buffer, so this never blocks.
    return inputFd >= 0 && write(inputFd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

ChildProcess::~ChildProcess() {
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    if (inputFd >= 0) close(inputFd);
}

bool ChildProcess::Running() {
    if (pid <= 0) return false;
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
        pid = -1;
        if (WIFEXITED(status)) exitCode = WEXITSTATUS(status);
        return false;
    }
    return true;
}

void ChildProcess::Kill(int signal) {
    if (pid <= 0) return;
    kill(pid, signal);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

std::string ChildProcess::Output() const { return ReadFile(outputPath); }

std::string RequestFrame(const std::string& text) {
    std::string body;
    body.push_back(static_cast<char>((text.size() + 1) & 0xFF));
    body.push_back(static_cast<char>((text.size() + 1) >> 8));
    body += text;
    body.push_back('\0');
    std::string out = "[";
    for (char c : body) {
        if (c == '[' || c == ']' || c == '*') {
            out.push_back('*');
        }
        out.push_back(c);
    }
    return out + "]";
}

std::vector<std::string> CommaFields(const std::string& line) {
    std::vector<std::string> fields(1);
    for (char c : line) {
        if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

int ConnectLoopback(int port, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        if (fd < 0) return -1;
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<uint16_t>(port));
        if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0) return fd;
        close(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < deadline);
    return -1;
}

bool Connects(const char* address, int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return false;
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<uint16_t>(port));
    bool accepted = inet_pton(AF_INET, address, &peer.sin_addr) == 1 &&
                    connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof(peer)) == 0;
    close(fd);
    return accepted;
}

}  // namespace VN_Test
