#include "vn_sim/shell_journal.h"

#include <cstdio>
#include <mutex>

namespace VN_Sim {

namespace {

std::mutex journalMutex;

std::string OneLine(const std::string& text) {
    std::string line;
    for (char c : text) {
        if (c == '\n')
            line += "\\n";
        else if (c == '\r')
            line += "\\r";
        else
            line += c;
    }
    return line;
}

}  // namespace

const char* const ShellJournal::FileName = "shell_journal.log";

void ShellJournal::Append(const std::string& command, const std::string& outcome) {
    std::string line = OneLine(command) + "\t" + OneLine(outcome) + "\n";
    std::lock_guard<std::mutex> lock(journalMutex);
    // Opened per line: the working directory is the station folder at the time of the request.
    FILE* file = std::fopen(FileName, "a");
    if (file == nullptr) return;
    std::fwrite(line.data(), 1, line.size(), file);
    std::fclose(file);
}

}  // namespace VN_Sim
