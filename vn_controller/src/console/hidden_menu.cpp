#include <mutex>

#include "common/controller_flags.h"
#include "common/controller_logs.h"
#include "common/controller_mutexes.h"
#include "common/main_loop_wake.h"
#include "console/interface.h"
#include "shell.h"

namespace VN_Sample {

namespace {

void SwitchLog(VN_Lib::Log& log, bool on) {
    std::lock_guard<std::mutex> lock(systemMutex);
    if (on) {
        log.Enable();
    } else {
        log.Disable();
    }
}

}  // namespace

void interface::HiddenMenu() {
    while (!Ended()) {
        Write(VersionLine() +
              "1) Quit Controller Program\n"
              "2) Create Shell\n"
              "3) Enable Message Log\n"
              "4) Disable Message Log\n"
              "5) Enable Error Log\n"
              "6) Disable Error Log\n"
              "7) Enable Debug Log\n"
              "8) Disable Debug Log\n"
              "9) NTP Status\n"
              "10) Exit Menu\n");
        switch (Selection()) {
            case 1: StopController(); return;
            // Fixed command texts only, through the shell seam like every command.
            case 2: VN_Lib::RunShellCommand("bash -l"); break;
            case 3: EnableMsgLog(true); break;
            case 4: EnableMsgLog(false); break;
            case 5: EnableErrMsgLog(true); break;
            case 6: EnableErrMsgLog(false); break;
            case 7: EnableDebugLog(true); break;
            case 8: EnableDebugLog(false); break;
            case 9: VN_Lib::RunShellCommand("ntpq -p"); break;
            case 10: return;
            default: break;
        }
    }
}

// The console ends with the request: the program's objects, this one among
// them, go away soon after the main loop sees the flag, so nothing may run here then.
void interface::StopController() {
    Write("Stopping the controller program\n");
    stopRequested = true;
    {
        std::lock_guard<std::mutex> lock(systemMutex);
        StopControllerFlag = true;
    }
    WakeMainLoop();
}

void interface::EnableMsgLog(bool on) { SwitchLog(MsgLog, on); }
void interface::EnableErrMsgLog(bool on) { SwitchLog(ErrMsgLog, on); }
void interface::EnableDebugLog(bool on) { SwitchLog(DebugLog, on); }

}  // namespace VN_Sample
