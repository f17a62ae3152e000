#ifndef VN_TEST_SETTINGS_STATION_H
#define VN_TEST_SETTINGS_STATION_H

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/controller_logs.h"
#include "test_support.h"

namespace VN_Test {

// A scratch station folder (with its etc/) as the working directory, the
// controller's logs quiet, and the commands the simulated shell journaled
// since the last mark.
class SettingsStation : public ::testing::Test {
protected:
    SettingsStation() {
        mkdir(dir.File("etc").c_str(), 0755);
        for (VN_Lib::Log* log : logs) {
            wasEnabled.push_back(log->IsEnabled());
            log->Disable();
        }
    }
    ~SettingsStation() override {
        for (size_t i = 0; i < logs.size(); ++i) {
            if (wasEnabled[i]) logs[i]->Enable();
        }
    }

    void MarkJournal() { mark = ReadFile(dir.File("shell_journal.log")).size(); }

    // The command texts journaled since the mark, in order.
    std::vector<std::string> Commands() const {
        std::istringstream lines(ReadFile(dir.File("shell_journal.log")).substr(mark));
        std::vector<std::string> commands;
        std::string line;
        while (std::getline(lines, line)) commands.push_back(line.substr(0, line.find('\t')));
        return commands;
    }

    TempDir dir;
    ScopedWorkingDir workingDir{dir.Path()};
    size_t mark = 0;
    const std::vector<VN_Lib::Log*> logs = {&MsgLog, &ErrMsgLog, &DebugLog};
    std::vector<bool> wasEnabled;
};

}  // namespace VN_Test

#endif
