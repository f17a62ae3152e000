#ifndef VN_LIB_SHELL_H
#define VN_LIB_SHELL_H

#include <string>
#include <vector>

// Seam: every shell command of both programs goes through RunShellCommand,
// every program fed on its standard input through RunProgramWithInput.
// The station build hands it to system(); the sim build runs it in the
// simulated shell, which journals it and keeps it inside the station folder.

namespace VN_Lib {

// The command's exit status as system() reports it (0 = success).
int RunShellCommand(const std::string& command);

// Text handed to a program on its standard input, and how a record of the run
// may show it: the text with its secrets masked.
struct ProgramInput_T {
    std::string text;
    std::string shown;
};

// Runs a program (argv[0], found on the PATH) without a shell, so no byte of
// its arguments or input is interpreted; its output is discarded. Its exit
// status as system() would report it, non-zero when it could not be run.
// The sim build journals the program with the shown input and runs nothing.
int RunProgramWithInput(const std::vector<std::string>& argv, const ProgramInput_T& input);

}  // namespace VN_Lib

#endif
