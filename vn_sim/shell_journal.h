#ifndef VN_SIM_SHELL_JOURNAL_H
#define VN_SIM_SHELL_JOURNAL_H

#include <string>

namespace VN_Sim {

// The record of what the simulated station did to its operating system:
// "shell_journal.log" in the working directory, one line per request, the
// command text and its outcome separated by a tab.
class ShellJournal {
public:
    static const char* const FileName;

    // Appends and flushes one line; newlines in the text are written as "\n"
    // so that each request stays on one line. Safe from any thread.
    static void Append(const std::string& command, const std::string& outcome);
};

}  // namespace VN_Sim

#endif
