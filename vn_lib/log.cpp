#include "log.h"

#include <cstdarg>
#include <cstdio>
#include <iostream>

namespace VN_Lib {

void Log::Write(const std::string& text) {
    if (enabled) std::cout << text << std::flush;
}

void Log::Write(const char* text) {
    if (enabled && text != nullptr) std::cout << text << std::flush;
}

void Log::Writef(const char* format, ...) {
    if (!enabled || format == nullptr) return;
    char buffer[BufferSize];
    va_list args;
    va_start(args, format);
    int written = std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    if (written < 0) return;
    Write(buffer);
}

void Log::LogPrintf(const char* format, ...) {
    if (format == nullptr) return;
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}

}  // namespace VN_Lib
