#include "shell.h"
#include "unit_process.h"

namespace VN_Lib {

// One unit program per station: stopping by name cannot hit another's.
int StartUnitProgram() { return RunShellCommand("./vn_firmware&"); }

int StopUnitProgram() { return RunShellCommand("killall -SIGTERM vn_firmware"); }

}  // namespace VN_Lib
