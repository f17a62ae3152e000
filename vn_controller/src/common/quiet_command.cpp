#include "common/quiet_command.h"

#include "common/controller_logs.h"
#include "shell.h"

namespace VN_Sample {

bool IsPlainWord(const std::string& word) {
    if (word.empty() || word[0] == '-') return false;
    for (char c : word) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
                           c == '.' || c == '_' || c == '-';
        if (!plain) return false;
    }
    return true;
}

int RunQuietCommand(const std::string& command, const std::vector<std::string>& operands) {
    std::string line = command;
    for (const std::string& operand : operands) {
        if (!IsPlainWord(operand)) {
            ErrMsgLog.Writef("Not run: \"%s\" has an unsafe operand \"%s\"\n", command.c_str(), operand.c_str());
            return -1;
        }
        line += " " + operand;
    }
    return VN_Lib::RunShellCommand(line + " > /dev/null 2> /dev/null");
}

}  // namespace VN_Sample
