#ifndef VN_CONTROLLER_DATA_SAMPLER_H
#define VN_CONTROLLER_DATA_SAMPLER_H

#include <array>
#include <cstddef>
#include <ctime>
#include <mutex>
#include <string>
#include <vector>

#include "acquisition/curve_queue.h"
#include "acquisition/data_system.h"
#include "channels/iv_curve.h"
#include "schedule/clock_jump_watch.h"
#include "schedule/status.h"
#include "schedule/store_failure_log.h"
#include "storage/data_record.h"

namespace VN_Sample {

class ModbusServer;

// The controller's clock: decides from the wall clock when to sample,
// average and take the scheduled I-V curves, and stores finished curves.
// Driven by the main loop with systemMutex held; web and console handlers
// take the same lock before changing its settings.
class DataSampler {
public:
    static constexpr int ErrCurveLoad = 27;
    static constexpr int ErrDataFile = 802;
    static constexpr int ErrNotCurveDocument = 28;
    static constexpr int ErrZeroSamplePeriod = 500;
    static constexpr int ErrZeroAveragePeriod = 501;
    static constexpr int ErrNoCurveChannel = 701;
    static constexpr int ErrCurveSave = 805;
    static constexpr int ErrDataVolume = 806;

    DataSampler();
    DataSampler(const DataSampler&) = delete;
    DataSampler& operator=(const DataSampler&) = delete;

    // Attaches the data system and restarts every channel's running average. 0.
    int SetDataSourceSystem(DataSystem* system);

    // Schedule settings: 0 unless stated. A zero period is refused (500, 501);
    // a zero curve interval is ignored. Window and period changes reschedule
    // the affected due time from now.
    int SetSamplingPeriod(unsigned period);
    int SetAveragePeriod(unsigned period);
    int SetStoreStartTime(int tod);
    int SetStoreStartTime(unsigned hour, unsigned min, unsigned sec);
    int SetStoreStopTime(int tod);
    int SetStoreStopTime(unsigned hour, unsigned min, unsigned sec);
    int SetCurveInterval(unsigned interval);
    int SetCurveStartTime(int tod);
    int SetCurveStartTime(unsigned hour, unsigned min, unsigned sec);
    int SetCurveStopTime(int tod);
    int SetCurveStopTime(unsigned hour, unsigned min, unsigned sec);
    int SetIrradianceMin(double irradiance);
    int SetIrradianceMax(double irradiance);
    int SetCurvePath(std::string path);
    int SetLocalVndPath(std::string path);
    int SetBackupVndPath(std::string path);

    // Where the day files and curve files go, as the station writes the
    // paths (a file's path is the folder's text followed by its name).
    struct DataFolders_T {
        std::string dayFiles;
        std::string curves;
    };
    // Readable without systemMutex (under a lock of its own, taken after
    // it), so a web download never waits for the schedule.
    DataFolders_T DataFolders() const;

    // One pass of the schedule. Nothing is done before a data system is
    // attached. The result of the pass's last record update or data store.
    int Update();
    // Moves the next sample time along its grid past *now; returns it.
    time_t UpdateNextSampleTime(time_t* now);
    // The first grid time after *from inside the daily window (see
    // NextInWindow); stored as the due time and in the status; returned.
    time_t GetNextAvgTime(time_t* from);
    time_t GetNextCurveTime(time_t* from);
    // All three due times from the current clock, after a clock or zone change.
    void ResetTimeDependancies();

    // The time of day at which Update next has work: the next sample, or
    // outside calibration mode the next curve run; 0 (at once) while a curve
    // run is under way; the largest time without a data system.
    time_t NextDueTime() const;
    time_t NextSampleTime() const { return nextSampleTime; }
    time_t NextAverageTime() const { return nextAverageTime; }
    time_t NextCurveTime() const { return nextCurveTime; }

    // Queues a manual curve run of the ids in order.
    void TakeManualCurves(std::vector<int> ids);
    // Closes and stores the curve begun on the previous call and begins the
    // next one; 701 when no curve was pending.
    int TakeNextCurve();
    bool ManualCurvesComplete() const { return manualCurvesComplete; }
    bool AutoCurvesComplete() const { return autoCurvesComplete; }
    CurveQueue ManualCurvesQueue() const;
    CurveQueue AutoCurvesQueue() const;
    // Stores each listed module channel's curve as its last curve and as a new file. 0.
    int StoreCurves(std::vector<int> ids);

    // Loads off on entering, restored on leaving; on failure the mode stays.
    int CalibrationModeEnabled(bool on);
    bool CalibrationMode() const { return calibrationMode; }

    // Status fields, written under statusMutex.
    void SetStatusState(VN_State_T state);
    void SetStatusNextAverageTime(time_t t);
    void SetStatusNextCurveTime(time_t t);
    // A data store's result (StoreVndData) as the status's store error, with
    // the errno of a failed write (ENOSPC reads "Data volume full").
    void SetStatusStoreError(int error, int cause = 0);

    // Curve files in the curve directory (data_sampler_curves.cpp).
    // 0, or 805 when the file cannot be written.
    int StoreCurve(const IvCurve& curve, std::string file_name);
    // Under "CC_MMDDYYYY_hhmmss.xml" of the channel and the curve's local
    // time, never replacing a file: a name that exists gets "_1", "_2", ...
    // before ".xml" (805 when the first 99 numbers are taken too).
    int StoreCurve(const IvCurve& curve, int channel_id);
    // Under "last_iv_<channel>.xml", replacing the previous one.
    int StoreLastCurve(const IvCurve& curve, int channel_id);
    // 0; 27 when the file cannot be loaded, 28 when it holds no curve. The
    // curve is left as it was on failure.
    int LoadCurve(IvCurve& curve, std::string file_name);
    int LoadLastCurve(IvCurve& curve, int channel_id);

    // The current record, under recordMutex (data_sampler_storage.cpp).
    // Copies every channel of the data system into Record, stamped now.
    int UpdateRecord();
    // Empties Record, after the channel set changed. 0.
    int ResetRecord();

    // The Modbus register image (data_sampler_modbus.cpp), written after
    // every sample so clients read the newest values.
    // Stores the server whose image UpdateModbusRecord writes (null: none).
    void SetModbus(ModbusServer* server) { modbus = server; }
    // The temperature pairs in the holding registers and the module and aux
    // input values in the input registers, under modbusMutex. 0; nothing is
    // written without a data system or a started server.
    int UpdateModbusRecord();

    // Data file and data volume (data_sampler_storage.cpp).
    // Appends the average line to today's data file "vnMMDDYYYY.vnd", with
    // the three header lines first when the file is new; the line is on the
    // disk before it returns. 0, 806 when the data volume cannot be mounted
    // (nothing is written then), 802 when the file cannot be opened or
    // written. The result becomes the status's store error; a failure is
    // printed when it begins and when storing works again. There is no
    // buffer: a line due while the volume is full is lost, and storing
    // resumes with the next line due once there is space.
    int StoreVndData();
    // True when the volume's marker file shows it mounted or could be created
    // after mounting it. The marker is created only when the mount command
    // succeeded or the mount point is mounted already, and the data and curve
    // directories are made then; a failed mount is logged to ErrMsgLog.
    bool MountDataVolume();
    // The shell's status of the umount command.
    int UnmountDataVolume();
    // Paths as the station writes them.
    bool DoesFileExist(const char* path);
    // The text and a line end, replacing the file. 0, or 802.
    int WriteStringToFile(const char* text, const char* path);
    // The file's first whitespace-delimited word, cut to fit size bytes with
    // its terminator. 0, or 802 when the file cannot be opened.
    int ReadStringFromFile(char* buffer, size_t size, const char* path);

    // User settings: the "Sampler", "TimeSettings", "Curves" and "Network"
    // elements, defined in the settings folder. Get forms append to the
    // document's root, making a "Settings" root when it has none; their string
    // forms print such a fresh document. Set forms take what is present and
    // keep the rest; 801 without a root element. String set forms parse the
    // text first: text that does not parse is a document without root.
    // Network and time values end up in root shell commands: an element with
    // a value that is no address or host name (or a compared word that is
    // too long) is refused whole (807), logged, and runs no command.
    static constexpr int ErrSettingsFile = 27;
    static constexpr int ErrNoRoot = 801;
    static constexpr int ErrSettingRefused = 807;
    // "hour", "min", "sec" of a StartTime or StopTime element; -1 when the
    // element or an attribute is missing or negative.
    static int GetElementTimeOfDay(const TiXmlElement* element);
    static void SetElementTimeOfDay(TiXmlElement* element, int tod);
    int GetUserSettings(TiXmlDocument& document);
    int GetUserSettings(std::string& xml);
    // Network, then time (without setting the clock), curves, sampler.
    int SetUserSettings(TiXmlDocument& document);
    // 27 when the file cannot be loaded.
    int SetUserSettings(std::string file);
    int SetUserSettingsXml(const std::string& xml);
    int GetCurveSettings(TiXmlDocument& document);
    int GetCurveSettings(std::string& xml);
    int SetCurveSettings(TiXmlDocument& document);
    int SetCurveSettings(const std::string& xml);

    // Network settings (settings/network_settings.cpp). Setting takes the
    // "Network" element's values and applies the settings at once, also when
    // the document has no such element.
    int GetNetworkSettings(TiXmlDocument& document);
    int GetNetworkSettings(std::string& xml);
    int SetNetworkSettings(TiXmlDocument& document);
    int SetNetworkSettings(const std::string& xml);
    // Runs the interface, route and name server commands. 0.
    int ApplyNetworkSettings();

    // Time zone, NTP and clock (settings/time_settings.cpp,
    // ntp_settings.cpp). Setting links the zone, rewrites the NTP
    // configuration when servers are given, puts a given date and time on the
    // clock when set_clock and NTP is off, and reschedules; 801 without a
    // "TimeSettings" element.
    int GetTimeSettings(TiXmlDocument& document);
    int GetTimeSettings(std::string& xml);
    int SetTimeSettings(TiXmlDocument& document, bool set_clock);
    int SetTimeSettings(const std::string& xml, bool set_clock);
    // A new "CurrentTimeDate" element of the local time now; the caller owns it.
    TiXmlElement* GetCurrentTimeDate();
    int GetCurrentTimeDate(std::string& xml);
    // Sets the clock to the element's "Date" and "Time" (absent parts from
    // now, values clamped to a valid range), then the hardware clock. 0; 801
    // without an element.
    int SetCurrentTimeDate(const TiXmlElement* element);
    // A new "NTP_Servers" element of the four servers; the caller owns it.
    TiXmlElement* GetNtpServers();
    // Takes the element's server addresses, rewrites the NTP configuration
    // and restarts ntpd when enable. 0, or 807.
    int SetNtpServers(const TiXmlElement* element, bool enable);

    Status status;
    // The one current record; the web interface reads it under recordMutex.
    static DataRecord Record;

private:
    // First time after from on the period's grid counted from local midnight,
    // moved to the window start when it falls outside [start, stop].
    static time_t NextInWindow(time_t from, unsigned period, int start, int stop);
    // The due time from now, after its period or window changed.
    void RescheduleAverage();
    void RescheduleCurves();
    // After the time of day was set: every due time afresh from now, so a
    // clock set back stalls nothing and one set forward stores no burst of
    // catch-up lines; what was due already is taken once, now.
    void RescheduleAfterClockJump(time_t now);
    // The channel's curve as its last curve and a new file; the new file's result.
    int StoreChannelCurve(const ModuleChannel& channel, int channel_id);
    // StoreVndData without the status; *cause is the errno of a failure.
    int AppendAverageLine(int* cause);
    // Mounts the data volume, or checks the directories of a volume mounted
    // already.
    void PrepareDataVolume();
    // The data and curve directories, made and opened to the data group.
    void CreateDataDirectories();
    void SetSamplerSettings(const TiXmlElement& sampler);
    TiXmlElement* MakeNewSamplerXmlElement() const;
    TiXmlElement* MakeNewCurvesXmlElement() const;
    TiXmlElement* MakeNewNetworkXmlElement() const;
    TiXmlElement* MakeNewTimeSettingsXmlElement();
    // Links /etc/localtime to the zone of timeZone.
    void LinkTimeZone() const;

    DataSystem* dataSourceSystem = nullptr;
    ModbusServer* modbus = nullptr;
    std::string dataGroup = "data_admin";
    unsigned samplePeriod = 1;
    unsigned averagePeriod = 100;
    int storeStartTime = 0;
    int storeStopTime = 0;
    std::string localPath = "/data/vnd/";
    std::string backupPath = "backup_data";
    std::string dataDevice = "/dev/hda3";
    std::string dataMountPoint = "/data";
    time_t nextSampleTime = 0;
    time_t nextAverageTime = 0;
    std::string delim = ",";
    bool calibrationMode = false;
    unsigned curveInterval = 3660;
    double irradMin = 0.0;
    double irradMax = 1500.0;
    bool irradFilterEnabled = false;
    std::string curvePath = "/data/curves/";
    // Guards localPath and curvePath for readers without systemMutex; their
    // setters take it too, the sampler's own reads hold systemMutex.
    mutable std::mutex foldersMutex;
    int curveStartTime = 0;
    int curveStopTime = 86399;
    time_t nextCurveTime = 0;
    bool manualCurvesComplete = true;
    bool autoCurvesComplete = true;
    ClockJumpWatch clockJumps;
    StoreFailureLog dayFileFailures{"Data file store"};
    StoreFailureLog curveFailures{"Curve file store"};

    // Network and time settings; their values are checked before they are kept.
    std::string dhcpEnabled = "no";
    std::string dhcpHostname;
    std::string hostname = "vantrel";
    std::string ipAddress;
    std::string netmask;
    std::string gateway;
    std::string dns1;
    std::string dns2;
    std::string macAddress;
    int timeZone = 0;
    std::string ntpEnabled;
    std::array<std::string, 4> ntpServers = {"0.pool.ntp.org", "1.pool.ntp.org", "2.pool.ntp.org",
                                             "3.pool.ntp.org"};
};

}  // namespace VN_Sample

#endif
