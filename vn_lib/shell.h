#ifndef VN_LIB_SHELL_H
#define VN_LIB_SHELL_H

#include <string>

// Seam: every shell command of both programs goes through RunShellCommand.
// The station build hands it to system(); the sim build runs it in the
// simulated shell, which journals it and keeps it inside the station folder.

namespace VN_Lib {

// The command's exit status as system() reports it (0 = success).
int RunShellCommand(const std::string& command);

}  // namespace VN_Lib

#endif
