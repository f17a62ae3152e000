#ifndef VN_TEST_SUPPORT_H
#define VN_TEST_SUPPORT_H

#include <sys/types.h>

#include <functional>
#include <ctime>
#include <string>
#include <vector>

namespace VN_Test {

// A fresh directory under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path; }
    std::string File(const std::string& name) const { return path + "/" + name; }

private:
    std::string path;
};

// Makes the calling process work in a directory for the lifetime of the object.
class ScopedWorkingDir {
public:
    explicit ScopedWorkingDir(const std::string& dir);
    ~ScopedWorkingDir();
    ScopedWorkingDir(const ScopedWorkingDir&) = delete;
    ScopedWorkingDir& operator=(const ScopedWorkingDir&) = delete;

private:
    std::string previous;
};

// The instant of a calendar time in UTC, or in the local zone (daylight
// saving as the zone has it on that day).
time_t UtcTime(int year, int month, int day, int hour, int minute = 0, int second = 0);
time_t LocalTime(int year, int month, int day, int hour, int minute = 0, int second = 0);

// Makes local time the given zone (a TZ value) for the lifetime of the object.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    bool hadZone = false;
    std::string previous;
};

void WriteFile(const std::string& path, const std::string& text);
// The whole file, or "" when it cannot be read.
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);

// Polls the condition until it holds or timeoutMs has passed; whether it
// held. Polls often at first and less often later, so a quick condition is
// seen at once and a slow one does not hold a processor the others need.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs);

// A TCP port on the loopback interface that nothing listens on right now.
int FreeTcpPort();

// A program run as a child process in a directory, its input /dev/null;
// killed and reaped on destruction.
class ChildProcess {
public:
    // input, when given, is written to the program's standard input, which
    // then stays open until the program ends (a controller's console reads it).
    ChildProcess(const std::string& program, const std::string& workingDir,
                 const std::vector<std::string>& args = {}, const std::string& input = "");
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return pid; }
    bool Running();
    // The exit code once Running() has seen the program end by itself; -1 before
    // that or when a signal ended it.
    int ExitCode() const { return exitCode; }
    void Kill(int signal);
    // More standard input, when the program was started with some; false
    // when it could not all be written.
    bool WriteInput(const std::string& text);
    // Standard output and error written so far (they go to a file in the directory).
    std::string Output() const;

private:
    pid_t pid = -1;
    int exitCode = -1;
    int inputFd = -1;
    std::string outputPath;
};

// The wire form of a request, written independently of the link classes so
// tests can check them: the text and its NUL after the 2-byte length, escaped
// and framed.
std::string RequestFrame(const std::string& text);

// The comma-separated fields of a data line, empty ones at the end included.
std::vector<std::string> CommaFields(const std::string& line);
// The lines of a text, without their line ends.
std::vector<std::string> Lines(const std::string& text);

// Connects to 127.0.0.1:port, retrying until timeoutMs has passed; -1 on failure.
int ConnectLoopback(int port, int timeoutMs);
// One connection attempt to a dotted IPv4 address; true when it was accepted.
bool Connects(const char* address, int port);

}  // namespace VN_Test

#endif
