#include "schedule/store_failure_log.h"

#include <cstring>

#include "log.h"

namespace VN_Sample {

void StoreFailureLog::Note(int result, int cause) {
    if (result == 0) cause = 0;
    if (result == failedWith && cause == failedCause) return;
    if (result == 0) {
        VN_Lib::Log::LogPrintf("%s works again\n", what.c_str());
    } else {
        VN_Lib::Log::LogPrintf("%s failed: error %i%s%s%s; nothing is stored until it works again\n", what.c_str(),
                               result, cause != 0 ? " (" : "", cause != 0 ? std::strerror(cause) : "",
                               cause != 0 ? ")" : "");
    }
    failedWith = result;
    failedCause = cause;
}

}  // namespace VN_Sample
