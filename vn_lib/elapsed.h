#ifndef VN_LIB_ELAPSED_H
#define VN_LIB_ELAPSED_H

#include <sys/time.h>

#include <cstdint>

namespace VN_Lib {

// Microseconds from start to now, in 64 bits so that neither a long run nor
// a 32-bit time_t overflows; negative when the clock was set back.
inline int64_t ElapsedMicroSeconds(const struct timeval& start, const struct timeval& now) {
    return (static_cast<int64_t>(now.tv_sec) - start.tv_sec) * 1000000 +
           (static_cast<int64_t>(now.tv_usec) - start.tv_usec);
}

}  // namespace VN_Lib

#endif
