#include <cstdlib>

#include "shell.h"

namespace VN_Lib {

int RunShellCommand(const std::string& command) { return std::system(command.c_str()); }

}  // namespace VN_Lib
