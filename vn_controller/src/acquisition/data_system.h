#ifndef VN_CONTROLLER_DATA_SYSTEM_H
#define VN_CONTROLLER_DATA_SYSTEM_H

#include <tinyxml.h>

#include <list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "acquisition/curve_queue.h"
#include "acquisition/data_source.h"
#include "analog104.h"
#include "cal_report_record.h"
#include "cal_type.h"
#include "can_bus.h"
#include "channels/aux_input_channel.h"
#include "channels/module_channel.h"
#include "channels/temperature_channel.h"
#include "led.h"
#include "long_timer.h"

namespace VN_Sample {

// 0 all loads off, 1 tracking, 2 fixed voltage, 3 open circuit, 4 each channel's own.
enum GlobalPowerMode_T { PowerAllOff = 0, PowerTrack = 1, PowerFixed = 2, PowerOpen = 3, PowerPerChannel = 4 };
// 0 none, 1 every module, 2 modules whose curve flag is set.
enum GlobalCurveMode_T { CurvesNone = 0, CurvesAll = 1, CurvesEnabled = 2 };

// The controller's model of the station: data sources, channels, LEDs,
// curve queues and the two global modes. Callers hold systemMutex.
class DataSystem {
public:
    static constexpr int ErrUnsupportedPort = 10;
    static constexpr int ErrNoDataSource = 25;
    static constexpr int ErrSettingsFile = 27;
    static constexpr int ErrUnknownModule = 701;
    static constexpr int ErrUnknownAuxInput = 703;
    static constexpr int ErrConfigFile = 800;
    static constexpr int ErrNoRoot = 801;
    static constexpr int ErrWriteChannelConfig = 805;

    DataSystem();
    ~DataSystem();
    DataSystem(const DataSystem&) = delete;
    DataSystem& operator=(const DataSystem&) = delete;

    // Configuration documents (data_system_config.cpp).
    int SetSystemConfiguration(std::string file);
    int SetSystemConfiguration(TiXmlDocument& document);
    int SetChannelConfiguration(std::string file);
    int SetChannelConfiguration(TiXmlDocument& document);
    int ClearChannelConfiguration();
    int GetChannelConfigurationAsXml(TiXmlDocument& document);
    int LearnChannelConfiguration(std::string file, TiXmlDocument& document);
    void GetAboutAsStrings(std::list<std::string>& lines);
    void GetAboutAsString(std::string& text);

    // User settings elements (data_system_settings.cpp).
    int SetUserSettings(std::string file);
    int SetUserSettings(TiXmlDocument& document);
    int GetUserSettings(TiXmlDocument& document);
    TiXmlElement* GetGlobalSettings();
    int SetGlobalSettings(TiXmlElement& globals);
    TiXmlElement* GetModuleChannelSettings();
    int SetModuleChannelSettings(TiXmlElement& channels);
    TiXmlElement* GetAuxInputSettings();
    int SetAuxInputChannelSettings(TiXmlElement& auxInputs);
    TiXmlElement* MakeNewXmlTemperatureChannelSettings();
    int SetTemperatureChannelSettings(TiXmlElement& temperatures);
    TiXmlElement* MakeNewXmlAuxInputChannelSettings();
    int GetXmlAuxInputChannelSettings(std::string& text);
    int GetXmlTemperatureChannelSettings(std::string& text);
    int GetModuleChannelSettings(std::string& text);
    int GetGlobalSettings(std::string& text);
    int SetAuxInputChannelSettings(std::string text);
    int SetTemperatureChannelSettings(std::string text);
    int SetModuleChannelSettings(std::string text);
    int SetGlobalSettings(std::string text);

    // Lookups.
    static int GetChannelId(int source, int local);
    ModuleChannel* GetModuleChannel(int id);
    AuxInputChannel* GetAuxInputChannel(int id);
    TemperatureChannel* GetTemperatureChannel(int id);
    DataSource* GetDataSource(int id);
    int GetDataSourceModuleSample(ModuleSample* sample, int source, int local);
    int GetDataSourceAuxInputSample(AuxInputSample* sample, int source, int local);
    int GetDataSourceTemperatureSample(TemperatureSample* sample, int source, int local);

    // Run time (data_system_run.cpp).
    int SampleDataChannels();
    int AverageDataChannels();
    int ResetDataAverages();
    int UpdateLoadProfiles();
    int RefreshLoad(int channel);
    int RefreshLoad(ModuleChannel& channel);
    int RefreshLoads();
    int SetHardwareLoad(int channel, LoadConfiguration_T configuration);
    int SetHardwareLoad(ModuleChannel& channel, LoadConfiguration_T configuration);
    int SetModuleToVoc(int channel);
    int SetModuleToIsc(int channel);
    int AllLoadsOff();
    int SetGlobalPowerMode(int mode);
    int SetGlobalCurveMode(int mode);
    int GlobalPowerMode() const { return globalPowerMode; }
    int GlobalCurveMode() const { return globalCurveMode; }

    // Curves (data_system_curves.cpp).
    void InitializeAutoCurvesQueue();
    void InitializeManualCurvesQueue(std::vector<int> ids);
    int TakeIvCurve(int channel);
    int TakeIvCurve(ModuleChannel& channel);
    int TakeNextIvCurve(int* channel);
    // A queued curve is still to be taken, or the last one taken still to be
    // closed by the next TakeNextIvCurve.
    bool CurveRunUnderway() const { return !autoCurves.AtEnd() || !manualCurves.AtEnd() || lastCurve.queue != nullptr; }

    // Calibration (data_system_calibration.cpp).
    int CalibrateModuleVoltage(int id, VN_Lib::CalReportRecord& record);
    int CalibrateModuleCurrent(int id, VN_Lib::CalReportRecord& record);
    int CalibrateAuxInput(int id, VN_Lib::CalReportRecord& record);
    int SaveCalibration(VN_Lib::CalType type);
    int LoadCalibration(VN_Lib::CalType type);
    int GetCalReportsText(std::string& text);
    TiXmlElement* MakeNewCalReportsXml();
    void RestartCalibrationReports();

    std::map<int, TemperatureChannel> temperatureChannels;
    std::map<int, AuxInputChannel> auxInputChannels;
    std::map<int, ModuleChannel> moduleChannels;
    std::map<int, DataSource> dataSources;
    std::map<int, VN_Lib::Led> leds;
    int offlineRetryInterval = 30;
    CurveQueue autoCurves;
    CurveQueue manualCurves;

private:
    // GoOnline for a source that is offline; a source that comes back says so
    // on standard output and in the message log, as going offline does.
    int BringOnline(int id, DataSource& source);
    // Sets up the link of one DataSource element; 0 or ErrUnsupportedPort.
    int SetUpLink(TiXmlElement& element, DataSource& source);
    // The mode sent to a channel's load under the global power mode.
    int LoadModeFor(const ModuleChannel& channel) const;
    // The channel's curve gets the readings of its listed channels.
    void FillCurveReadings(ModuleChannel& channel, bool after);

    std::unique_ptr<VN_Lib::CommandControl> MakeCanLink(const TiXmlElement& element);

    // Adapter cards of the CAN links by I/O address, and their buses by
    // address and interface number; the links use both.
    std::map<int, std::unique_ptr<VN_Lib::Analog104>> canCards;
    std::map<std::pair<int, int>, std::unique_ptr<VN_Lib::CanBus>> canBuses;
    LongTimer offlineRetryTimer;
    int globalPowerMode = PowerAllOff;
    int globalCurveMode = CurvesNone;

    // The curve begun on the previous TakeNextIvCurve call.
    struct LastCurve_T {
        int channel = -1;
        int error = 0;
        CurveQueue* queue = nullptr;
        unsigned index = 0;
        unsigned generation = 0;
    };
    LastCurve_T lastCurve;
};

}  // namespace VN_Sample

#endif
