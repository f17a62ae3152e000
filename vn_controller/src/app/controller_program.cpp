#include "app/controller_program.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include "app/loop_pacing.h"
#include "clock.h"
#include "common/controller_logs.h"
#include "common/controller_mutexes.h"
#include "common/durable_file.h"
#include "common/main_loop_wake.h"
#include "backup_volume.h"
#include "shell.h"
#include "station_paths.h"

VN_Sample::DataSampler Sampler;
VN_Sample::DataSystem DataSourceSystem;
// After the two objects its handlers use, so it is built after them and
// stopped (waiting for running handlers) before they are destroyed.
VN_Sample::DataServer MyServer(Sampler, DataSourceSystem);
VN_Sample::ModbusServer Modbus;
VN_Lib::Led PulseLed;
LongTimer PulseTimer;
VN_Sample::interface Console(Sampler, DataSourceSystem);

namespace {

const int ErrWriteSettings = 805;
const unsigned long PulseMs = 500;

// The calibration-mode state last handed to the sampler.
bool calModeHandedOn = false;

void StartPulseTimer() {
    PulseTimer.Restart();
    PulseTimer.SetAlarm(PulseMs);
    PulseTimer.EnableAlarm();
}

// Until the schedule's or the alive LED's next due time.
std::chrono::microseconds SleepAfterPass() {
    time_t due = 0;
    {
        std::lock_guard<std::mutex> system(systemMutex);
        due = Sampler.NextDueTime();
    }
    struct timeval timeOfDay = {0, 0};
    VN_Lib::GetTimeOfDay(&timeOfDay);
    const long long pulseDueInUs =
        static_cast<long long>(PulseMs) * 1000 - static_cast<long long>(PulseTimer.ReadTimerMicroSeconds());
    return LoopSleep(due, timeOfDay, pulseDueInUs);
}

}  // namespace

int Initialize() {
    MsgLog.Disable();
    ErrMsgLog.Disable();
    DebugLog.Disable();
    MsgLog.Write("Initialize ...\n");
    StopControllerFlag = false;
    SoftwareVersion = "5.12";
    ChannelConfigFilename = "chan_config.xml";
    SystemConfigFilename = "system_config.xml";
    UserSettingsFilename = "settings.xml";
    SaveUserSettingsFlag = false;

    int result = DataSourceSystem.SetSystemConfiguration(SystemConfigFilename);
    if (result != 0) {
        ErrMsgLog.Writef("Set System Config Error %i\n", result);
        return result;
    }
    PulseLed = DataSourceSystem.leds[0];

    result = DataSourceSystem.SetChannelConfiguration(ChannelConfigFilename);
    if (result != 0) {
        DataSourceSystem.ClearChannelConfiguration();
        ErrMsgLog.Writef("Set Chan Config Error %i\n", result);
    }
    Sampler.SetDataSourceSystem(&DataSourceSystem);
    Sampler.SetModbus(&Modbus);

    result = DataSourceSystem.SetUserSettings(UserSettingsFilename);
    if (result != 0) {
        ErrMsgLog.Writef("Set Data System Settings Error %i\n", result);
        return result;
    }
    result = Sampler.SetUserSettings(UserSettingsFilename);
    if (result != 0) {
        ErrMsgLog.Writef("Set Sampler Settings Error %i\n", result);
        return result;
    }
    {
        std::lock_guard<std::mutex> lock(recordMutex);
        VN_Sample::DataServer::pDataRecord = &VN_Sample::DataSampler::Record;
    }
    MsgLog.Write("Done\n");
    return 0;
}

int SaveUserSettings(const std::string& fileName) {
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    auto* root = new TiXmlElement("Settings");
    root->SetAttribute("version", 1);
    document.LinkEndChild(root);
    root->LinkEndChild(new TiXmlComment("A test comment"));
    Sampler.GetUserSettings(document);
    DataSourceSystem.GetUserSettings(document);

    // Written as a new file, synced and renamed into place: a power cut or a
    // full disk leaves either the old settings or the new ones.
    if (!VN_Sample::ReplaceFileWithDocument(document, VN_Lib::StationPath(fileName))) {
        // Saved after the form that asked has been answered: only this line tells.
        VN_Lib::Log::LogPrintf("Cannot save the user settings to %s (%s)\n", fileName.c_str(), std::strerror(errno));
        return ErrWriteSettings;
    }
    VN_Lib::CopyToBackupVolume(fileName);
    return 0;
}

void MainLoopPass() {
    bool reset = false;
    {
        std::lock_guard<std::mutex> lock(resetMutex);
        reset = GlobalResetFlag;
        GlobalResetFlag = false;
    }
    {
        std::lock_guard<std::mutex> system(systemMutex);
        {
            std::lock_guard<std::mutex> calMode(calModeMutex);
            if (GlobalCalModeOn != calModeHandedOn) {
                Sampler.CalibrationModeEnabled(GlobalCalModeOn);
                calModeHandedOn = GlobalCalModeOn;
            }
        }
        if (SaveUserSettingsFlag) {
            SaveUserSettings(UserSettingsFilename);
            SaveUserSettingsFlag = false;
        }
        if (reset) Initialize();
        Sampler.Update();
    }
    if (PulseTimer.CheckAlarm() != 0) {
        PulseLed.Toggle();
        StartPulseTimer();
    }
}

int RunController() {
    StartPulseTimer();
    while (!StopControllerFlag) {
        MainLoopPass();
        SleepUntilWoken(SleepAfterPass());
    }
    VN_Lib::RunShellCommand("./kill_vn");
    MsgLog.Write("VN Controller DONE\n");
    return 0;
}
