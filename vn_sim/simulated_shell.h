#ifndef VN_SIM_SIMULATED_SHELL_H
#define VN_SIM_SIMULATED_SHELL_H

#include <string>
#include <vector>

#include "vn_sim/shell_command_line.h"

namespace VN_Sim {

// The operating system of a simulated station as its programs' shell
// commands see it. Plain file tools run for real, without a shell, on paths
// mapped into the station folder (the working directory); mounting the
// station's partitions succeeds without doing anything; network, time,
// password and process tools are not run; anything else is refused.
// Every command is journaled (ShellJournal) with its outcome.
class SimulatedShell {
public:
    // What system() would return: 0 for success, else a non-zero status.
    static int Run(const std::string& command);

private:
    struct Plan_T {
        std::vector<std::string> argv;  // mapped words, program first
        std::vector<Redirection_T> redirections;
    };

    // 0 with *plan filled, or 1 with *reason set.
    static int PlanFileTool(const ShellCommandLine& line, Plan_T* plan, std::string* reason);
    static int MapOperand(const std::string& program, const std::string& word, bool destination,
                          std::vector<std::string>* mapped, std::string* reason);
    static int MapRedirections(const ShellCommandLine& line, Plan_T* plan, std::string* reason);
    // Runs the plan in a child process; *outcome describes how it ended.
    static int Execute(const Plan_T& plan, std::string* outcome);
};

}  // namespace VN_Sim

#endif
