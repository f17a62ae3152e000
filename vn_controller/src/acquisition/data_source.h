#ifndef VN_CONTROLLER_DATA_SOURCE_H
#define VN_CONTROLLER_DATA_SOURCE_H

#include <map>
#include <memory>
#include <string>

#include "cal_report.h"
#include "cal_report_record.h"
#include "cal_type.h"
#include "channels/aux_input_sample.h"
#include "channels/iv_curve.h"
#include "channels/load_configuration.h"
#include "channels/module_sample.h"
#include "channels/temperature_sample.h"
#include "command_control.h"
#include "led.h"

namespace VN_Sample {

// The local time as the offline and online lines give it: "h:m:s  m/d/yyyy".
std::string LogTimeText();

// The controller's proxy for one measurement unit: its link, its
// identification and the latest raw samples of every input it reported.
// Used only under systemMutex; no lock of its own.
class DataSource {
public:
    // A link reporting this needs re-opening (FixPort).
    static constexpr int ErrPortFault = 11;
    static constexpr int ErrNoSample = 20;
    static constexpr int ErrOffline = 26;
    static constexpr int ErrTooOld = 91;
    static constexpr int ErrBadCurve = 311;
    // The unit's description does not fit its layout (an empty text, a version
    // that is no number, a negative count, bytes left over); nothing of it is kept.
    static constexpr int ErrBadDescription = 312;

    DataSource() = default;
    // Owns its link, so it is never copied.
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;

    // Takes ownership; a link held before is deleted. 0.
    int SetPort(VN_Lib::CommandControl* newPort);
    VN_Lib::CommandControl* Port() const { return port.get(); }
    // 26 when offline, else the link's exchange.
    int SendCommand(CmdType code, std::string& params, VN_Lib::DataFrame& response, int timeoutMs);

    // Opens the link and reads the unit's description; a local unit program
    // is restarted first and given up to 15 s to answer.
    int GoOnline();
    int GoOffline(int code, std::string where);
    int Initialize();
    int GetVersion(std::string& version);
    int GetConfiguration();
    int UpdateAllSamples();
    int ReadAllSampleData();
    int SampleAll();
    int SetLoad(int module, LoadConfiguration_T configuration);
    int SetAllLoadsOff();
    int TakeIvCurve(int module, IvCurve& curve);

    int LoadCalibration(VN_Lib::CalType type);
    int SaveCalibration(VN_Lib::CalType type, const char* date);
    int Calibrate(VN_Lib::CalReportRecord& record);
    int CalibrateAuxInput(VN_Lib::CalReportRecord& record);
    int CalibrateModuleCurrent(VN_Lib::CalReportRecord& record);
    int CalibrateModuleVoltage(VN_Lib::CalReportRecord& record);
    // Reads the record text of a calibrate response into record. 0.
    int ExtractCalRecord(VN_Lib::DataFrame& response, VN_Lib::CalReportRecord& record);
    int RestartCalibrationReport();

    int GetTemperatureSample(TemperatureSample* sample, int id) const;
    int GetAuxInputSample(AuxInputSample* sample, int id) const;
    int GetModuleSample(ModuleSample* sample, int id) const;
    void InvalidateAllSamples();
    void AverageDataNow();
    void ResetAverages();

    void ConfigurationString(std::string& text) const;
    void SetOnlineState(bool state);
    void SetActiveState(bool state);
    void UpdateStatusLed();
    bool Online() const { return online; }
    bool Active() const { return active; }
    // Grants the calling thread the analog card ports (0x300-0x31F).
    static void EnableIoPorts();

    std::string modelNumber;
    std::string buildDate;
    std::string serialNumber;
    std::string softwareVersion;
    int versionNumber = 0;
    VN_Lib::CalReport calibrationReport;
    std::map<int, TemperatureSample> temperatureSamples;
    std::map<int, AuxInputSample> auxInputSamples;
    std::map<int, ModuleSample> moduleSamples;
    VN_Lib::Led statusLed;

private:
    int OpenAndIdentify();
    // The shared failure rule: 12, 10 and 26 put the source offline.
    int Failed(int code, const char* where);
    void FixPortAfter(int code);
    int ReadDescription(VN_Lib::DataFrame& response);
    int ReadSampleRecord(VN_Lib::DataFrame& response);
    // The record's fields after its variant; 311 when any is missing.
    static int ReadCurveRecord(VN_Lib::DataFrame& response, int variant, IvCurve& curve);

    std::unique_ptr<VN_Lib::CommandControl> port;
    bool online = false;
    bool active = false;
};

}  // namespace VN_Sample

#endif
