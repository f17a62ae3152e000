#include "platform.h"

namespace VN_Lib {

// The station's hardware is real: nothing to install.
int InitPlatform() { return 0; }

}  // namespace VN_Lib
