#include "platform.h"

namespace VN_Lib {

// The station's hardware is real: nothing to install, whichever program asks.
int InitPlatform(const std::string& program) { return 0; }

}  // namespace VN_Lib
