#include "station_figures.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "test_support.h"

namespace VN_Bench {

namespace {

std::string ProcFile(pid_t pid, const char* name) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A "Name:  value kB" line of /proc/<pid>/status.
long StatusValue(const std::string& status, const std::string& name) {
    const size_t at = status.find("\n" + name + ":");
    return at == std::string::npos ? 0 : std::atol(status.c_str() + at + name.size() + 2);
}

}  // namespace

ProcessStats_T ReadProcessStats(pid_t pid) {
    ProcessStats_T stats;
    const std::string stat = ProcFile(pid, "stat");
    // The fields after the command name, which may hold spaces: state is the
    // third field, utime and stime the 14th and 15th.
    const size_t end = stat.rfind(')');
    if (end == std::string::npos) return stats;
    std::istringstream fields(stat.substr(end + 2));
    std::string field;
    unsigned long long ticks = 0;
    for (int number = 3; number <= 15 && fields >> field; ++number) {
        if (number >= 14) ticks += std::strtoull(field.c_str(), nullptr, 10);
    }
    stats.cpuSeconds = static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
    const std::string status = "\n" + ProcFile(pid, "status");
    stats.residentKb = StatusValue(status, "VmRSS");
    stats.threads = static_cast<int>(StatusValue(status, "Threads"));
    std::error_code error;
    for (std::filesystem::directory_iterator entry("/proc/" + std::to_string(pid) + "/fd", error), last;
         !error && entry != last; entry.increment(error))
        ++stats.descriptors;
    return stats;
}

std::vector<double> SampleLateness(const std::string& output, size_t from) {
    std::vector<double> lateness;
    const std::string mark = " ms late";
    for (size_t at = output.find(mark, from); at != std::string::npos; at = output.find(mark, at + 1)) {
        const size_t comma = output.rfind(", ", at);
        const size_t lineStart = output.rfind('\n', at);
        if (comma == std::string::npos || (lineStart != std::string::npos && comma < lineStart)) continue;
        if (output.compare(lineStart == std::string::npos ? 0 : lineStart + 1, 7, "Sample ") != 0) continue;
        lateness.push_back(std::atof(output.c_str() + comma + 2));
    }
    return lateness;
}

std::vector<long> StoredLineTimes(const std::string& folder, time_t from, time_t to) {
    struct tm day = {};
    localtime_r(&from, &day);
    char name[32];
    std::snprintf(name, sizeof name, "/vn%02d%02d%04d.vnd", day.tm_mon + 1, day.tm_mday, day.tm_year + 1900);
    const long first = day.tm_hour * 3600L + day.tm_min * 60L + day.tm_sec;
    const long last = first + static_cast<long>(to - from);
    std::vector<long> times;
    std::istringstream lines(VN_Test::ReadFile(folder + name));
    for (std::string line; std::getline(lines, line);) {
        int hours = 0, minutes = 0, seconds = 0;
        if (std::sscanf(line.c_str(), "%*d/%*d/%*d,%d:%d:%d,", &hours, &minutes, &seconds) != 3) continue;
        const long at = hours * 3600L + minutes * 60L + seconds;
        if (at >= first && at <= last) times.push_back(at);
    }
    return times;
}

}  // namespace VN_Bench
