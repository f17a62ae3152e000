#include <cstdio>

#include "platform_clock.h"
#include "vn_sim/shell_journal.h"

namespace VN_Lib {

// A development machine's clock is never set; the request is only recorded.
int SetPlatformClock(const struct timeval& tv) {
    char text[64];
    std::snprintf(text, sizeof(text), "settimeofday %lld.%06ld", static_cast<long long>(tv.tv_sec),
                  static_cast<long>(tv.tv_usec));
    VN_Sim::ShellJournal::Append(text, "not run");
    return 0;
}

}  // namespace VN_Lib
