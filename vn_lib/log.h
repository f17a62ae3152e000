#ifndef VN_LIB_LOG_H
#define VN_LIB_LOG_H

#include <atomic>
#include <string>

namespace VN_Lib {

// A switchable text log on standard output. Lines of logs written from
// several threads may interleave.
class Log {
public:
    static const int BufferSize = 1000;

    Log() = default;

    void Enable() { enabled = true; }
    void Disable() { enabled = false; }
    bool IsEnabled() const { return enabled; }

    // The text as it is (no line end added), only when enabled.
    void Write(const std::string& text);
    void Write(const char* text);
    // printf rules into a buffer of BufferSize characters: longer output is
    // cut, never overrun.
    void Writef(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Straight to standard output, whatever any log's state.
    static void LogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

private:
    // Switched from the console thread while other threads write.
    std::atomic<bool> enabled{true};
};

}  // namespace VN_Lib

#endif
