#include "console/interface.h"

#include <pthread.h>
#include <signal.h>

#include <iostream>
#include <list>
#include <mutex>
#include <system_error>
#include <thread>

#include "c_locale.h"
#include "common/config_file_names.h"
#include "common/controller_logs.h"
#include "common/controller_mutexes.h"
#include "common/main_loop_wake.h"
#include "common/software_version.h"
#include "shell.h"

namespace VN_Sample {

interface::interface(DataSampler& sampler_, DataSystem& system_) : interface(sampler_, system_, std::cin, std::cout) {}

interface::interface(DataSampler& sampler_, DataSystem& system_, std::istream& input, std::ostream& output)
    : sampler(sampler_), system(system_), in(&input), out(&output) {}

void interface::StartThread() {
    signal(SIGPIPE, SIG_IGN);
    try {
        std::thread([this] {
            VN_Lib::UseCLocale();
            // Named, so service staff (and tests) can see whether it still runs.
            pthread_setname_np(pthread_self(), "vn_console");
            Start();
        }).detach();
    } catch (const std::system_error&) {
        // The station runs on without its console.
        ErrMsgLog.Write("Console thread not started\n");
    }
}

void interface::Start() {
    while (!Ended()) MainMenu();
}

void interface::MainMenu() {
    VN_Lib::RunShellCommand("reset");
    Write(VersionLine() +
          "1) Network Setup\n"
          "2) Learn System\n"
          "3) Show System Configuration\n"
          "4) Reset Passwords\n");
    switch (Selection()) {
        case 1: NetworkSetup(); break;
        case 2: LearnSystem(); break;
        case 3: ShowSysConfig(); break;
        case 4: ResetPasswords(); break;
        case HiddenMenuSelection: HiddenMenu(); break;
        default: break;
    }
}

void interface::LearnSystem() {
    const bool confirmed = Confirmed(
        "The \"Learn\" action scans the Vantrel system\n"
        "to identify all operating data sources.\n"
        "\"Learn\" should be used when a new data source\n"
        "(new load or expanded controller) is added.\n"
        "Or, when a data source (load) is permanently\n"
        "removed from the system.\n\n"
        "Note: In order to detect a Load Unit,\n"
        "the Load Unit must be turned on and connected\n"
        "to the VN5 Control Unit.\n\n"
        "DO NOT use the \"Learn\" mode unless the system\n"
        "hardware configuration has been changed.\n"
        "Unnecessary use of \"Learn\" may cause a loss\n"
        "of data and customized settings.\n"
        "\n\nLearn System (y, n) ?>  ",
        "Learn System CANCELED\n");
    if (!confirmed) return;
    {
        std::lock_guard<std::mutex> lock(systemMutex);
        Write("Learning system configuration.\n");
        DataSource::EnableIoPorts();
        TiXmlDocument document;
        const int learned = system.LearnChannelConfiguration(ChannelConfigFilename, document);
        MsgLog.Write("Data System Learn Channels done\n");
        if (learned == 0) {
            Write("Reset system to new configuration. Please wait ...\n");
            if (system.SetChannelConfiguration(ChannelConfigFilename) != 0) {
                Write("Error resetting system configuration\n");
                system.ClearChannelConfiguration();
            }
            const int settings = system.SetUserSettings(UserSettingsFilename);
            Write("Done\n\n");
            if (settings == 0) sampler.ResetRecord();
        } else {
            Write("Learn Chan Config error\n");
        }
    }
    // The next sample reads the new channel set.
    WakeMainLoop();
    ShowSysConfig();
}

void interface::ShowSysConfig() {
    std::list<std::string> pages;
    {
        std::lock_guard<std::mutex> lock(systemMutex);
        system.GetAboutAsStrings(pages);
    }
    for (const std::string& page : pages) {
        if (Ended()) return;
        Write(page);
        WaitForEnter();
    }
}

void interface::Write(const std::string& text) { *out << text << std::flush; }

int interface::Selection() {
    Write("\nMake selection (1, 2, 3 ...) and press Enter>  ");
    const int selection = GetIntegerInput();
    Write("\n\n");
    return Ended() ? 0 : selection;
}

void interface::WaitForEnter() {
    Write("\nPress enter to continue>  ");
    GetStringInput();
}

void interface::AskInto(const char* prompt, std::string* field) {
    Write(prompt);
    std::string answer = GetStringInput();
    if (!Ended()) *field = answer;
}

bool interface::Confirmed(const char* question, const char* cancelled) {
    Write(question);
    const std::string answer = GetStringInput();
    if (answer == "y" || answer == "Y" || answer == "yes") return true;
    if (Ended()) return false;
    Write(cancelled);
    WaitForEnter();
    return false;
}

std::string interface::VersionLine() {
    std::lock_guard<std::mutex> lock(systemMutex);
    return "\nVN5 Controller Software Version " + SoftwareVersion + "\n\n";
}

}  // namespace VN_Sample
