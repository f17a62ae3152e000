#ifndef VN_CONTROLLER_QUIET_COMMAND_H
#define VN_CONTROLLER_QUIET_COMMAND_H

#include <string>
#include <vector>

namespace VN_Sample {

// Runs "<command> <operand> ..." through the shell with its output discarded.
// Operands come from settings (paths, a group name): one that is empty,
// starts with '-' or holds anything but letters, digits and / . _ - could make
// the shell run something else, so the command is then not run but logged to
// ErrMsgLog. The shell's status, or -1 when not run.
int RunQuietCommand(const std::string& command, const std::vector<std::string>& operands);

// True for a word RunQuietCommand takes as an operand; settings that become
// operands are checked with it when they are set.
bool IsPlainWord(const std::string& word);

}  // namespace VN_Sample

#endif
