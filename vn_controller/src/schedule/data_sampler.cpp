#include "schedule/data_sampler.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <mutex>

#include "clock.h"
#include "elapsed.h"
#include "common/controller_logs.h"
#include "common/controller_mutexes.h"
#include "common/mac_address.h"
#include "utilities.h"

namespace VN_Sample {

namespace {

const time_t SecondsPerDay = 86400;

// ctime text of t, with its trailing newline.
std::string TimeText(time_t t) {
    char text[32] = "";
    ctime_r(&t, text);
    return text;
}

// How long after its due second a sample starts: the schedule's jitter, for
// whoever reads the message log.
int64_t MsLate(time_t due) {
    struct timeval now = {};
    VN_Lib::GetTimeOfDay(&now);
    return (static_cast<int64_t>(now.tv_sec) - static_cast<int64_t>(due)) * 1000 + now.tv_usec / 1000;
}

// A queue's run is over once its cursor is at the end and no curve of it is
// still in flight: a curve begun by this call is closed and stored on the
// next one.
bool RunFinished(const CurveQueue& queue, unsigned cursorBeforeCall) {
    return queue.AtEnd() && queue.cursor == cursorBeforeCall;
}

}  // namespace

DataSampler::DataSampler() {
    GetSvrMacAddressString(macAddress);
    nextSampleTime = VN_Lib::Now();
    GetNextAvgTime(&nextSampleTime);
    GetNextCurveTime(&nextSampleTime);
    ResetRecord();
    PrepareDataVolume();
}

int DataSampler::SetDataSourceSystem(DataSystem* system) {
    dataSourceSystem = system;
    if (dataSourceSystem != nullptr) dataSourceSystem->ResetDataAverages();
    return 0;
}

int DataSampler::SetSamplingPeriod(unsigned period) {
    if (period == 0) return ErrZeroSamplePeriod;
    samplePeriod = period;
    return 0;
}

int DataSampler::SetAveragePeriod(unsigned period) {
    int result = 0;
    if (period == 0) {
        result = ErrZeroAveragePeriod;
    } else {
        averagePeriod = period;
    }
    RescheduleAverage();
    return result;
}

int DataSampler::SetStoreStartTime(int tod) {
    storeStartTime = tod;
    RescheduleAverage();
    return 0;
}

int DataSampler::SetStoreStartTime(unsigned hour, unsigned min, unsigned sec) {
    return SetStoreStartTime(VN_Lib::make_tod(hour, min, sec));
}

int DataSampler::SetStoreStopTime(int tod) {
    storeStopTime = tod;
    RescheduleAverage();
    return 0;
}

int DataSampler::SetStoreStopTime(unsigned hour, unsigned min, unsigned sec) {
    return SetStoreStopTime(VN_Lib::make_tod(hour, min, sec));
}

int DataSampler::SetCurveInterval(unsigned interval) {
    if (interval == 0) return 0;
    curveInterval = interval;
    RescheduleCurves();
    return 0;
}

int DataSampler::SetCurveStartTime(int tod) {
    curveStartTime = tod;
    RescheduleCurves();
    return 0;
}

int DataSampler::SetCurveStartTime(unsigned hour, unsigned min, unsigned sec) {
    return SetCurveStartTime(VN_Lib::make_tod(hour, min, sec));
}

int DataSampler::SetCurveStopTime(int tod) {
    curveStopTime = tod;
    RescheduleCurves();
    return 0;
}

int DataSampler::SetCurveStopTime(unsigned hour, unsigned min, unsigned sec) {
    return SetCurveStopTime(VN_Lib::make_tod(hour, min, sec));
}

int DataSampler::SetIrradianceMin(double irradiance) {
    irradMin = irradiance;
    return 0;
}

int DataSampler::SetIrradianceMax(double irradiance) {
    irradMax = irradiance;
    return 0;
}

int DataSampler::SetCurvePath(std::string path) {
    std::lock_guard<std::mutex> lock(foldersMutex);
    curvePath = path;
    return 0;
}

int DataSampler::SetLocalVndPath(std::string path) {
    std::lock_guard<std::mutex> lock(foldersMutex);
    localPath = path;
    return 0;
}

DataSampler::DataFolders_T DataSampler::DataFolders() const {
    std::lock_guard<std::mutex> lock(foldersMutex);
    return {localPath, curvePath};
}

int DataSampler::SetBackupVndPath(std::string path) {
    backupPath = path;
    return 0;
}

void DataSampler::RescheduleAverage() {
    time_t now = VN_Lib::Now();
    GetNextAvgTime(&now);
}

void DataSampler::RescheduleCurves() {
    time_t now = VN_Lib::Now();
    GetNextCurveTime(&now);
}

int DataSampler::Update() {
    if (dataSourceSystem == nullptr) return 0;
    time_t now = VN_Lib::Now();
    if (clockJumps.Jumped()) RescheduleAfterClockJump(now);
    int result = 0;
    if (nextSampleTime <= now) {
        const int64_t late = MsLate(nextSampleTime);
        struct timeval passStart = {};
        VN_Lib::GetMonotonicTime(&passStart);
        SetStatusState(StateSampling);
        dataSourceSystem->SampleDataChannels();
        struct timeval passEnd = {};
        VN_Lib::GetMonotonicTime(&passEnd);
        // The time text without its line end (ctime's 24 characters). The
        // pass time shows what the links and units cost as a station grows.
        MsgLog.Writef("Sample %.24s, %lld ms late, pass %lld ms\n", TimeText(nextSampleTime).c_str(),
                      static_cast<long long>(late),
                      static_cast<long long>(VN_Lib::ElapsedMicroSeconds(passStart, passEnd) / 1000));
        const bool averageDue = nextAverageTime <= now;
        if (averageDue) {
            SetStatusState(StateAveraging);
            dataSourceSystem->AverageDataChannels();
        }
        result = UpdateRecord();
        UpdateModbusRecord();
        if (averageDue) {
            if (!calibrationMode) {
                MsgLog.Writef("Store %s", TimeText(nextAverageTime).c_str());
                result = StoreVndData();
            }
            // From the previous due time, not from now: after a stall the
            // averages come due once per sample until they have caught up.
            GetNextAvgTime(&nextAverageTime);
        }
        UpdateNextSampleTime(&now);
        dataSourceSystem->UpdateLoadProfiles();
    }
    if (!calibrationMode) {
        if (nextCurveTime <= now) {
            DebugLog.Writef("IV Curves %s", TimeText(nextCurveTime).c_str());
            SetStatusState(StateTakingCurve);
            autoCurvesComplete = false;
            dataSourceSystem->InitializeAutoCurvesQueue();
            // From now: runs missed during a stall collapse into this one, as
            // a catch-up run would rebuild (and cut short) this run's queue.
            GetNextCurveTime(&now);
        }
        TakeNextCurve();
    }
    SetStatusState(StateIdle);
    return result;
}

time_t DataSampler::NextDueTime() const {
    if (dataSourceSystem == nullptr) return std::numeric_limits<time_t>::max();
    if (calibrationMode) return nextSampleTime;
    if (dataSourceSystem->CurveRunUnderway()) return 0;
    return std::min(nextSampleTime, nextCurveTime);
}

time_t DataSampler::UpdateNextSampleTime(time_t* now) {
    const time_t period = samplePeriod;
    if (nextSampleTime <= *now) nextSampleTime += ((*now - nextSampleTime) / period + 1) * period;
    return nextSampleTime;
}

time_t DataSampler::NextInWindow(time_t from, unsigned period, int start, int stop) {
    const time_t base = VN_Lib::date(&from);
    const time_t step = period;
    time_t next = base;
    if (from >= base) next = base + ((from - base) / step + 1) * step;
    // The stop edge itself still lies inside the window. The next day's
    // window opens at that day's own midnight: a day with a daylight-saving
    // change is 23 or 25 hours long.
    if (next > base + stop) {
        time_t tomorrow = base + SecondsPerDay + SecondsPerDay / 2;
        next = VN_Lib::date(&tomorrow) + start;
    }
    if (next < base + start) next = base + start;
    return next;
}

time_t DataSampler::GetNextAvgTime(time_t* from) {
    nextAverageTime = NextInWindow(*from, averagePeriod, storeStartTime, storeStopTime);
    SetStatusNextAverageTime(nextAverageTime);
    return nextAverageTime;
}

time_t DataSampler::GetNextCurveTime(time_t* from) {
    nextCurveTime = NextInWindow(*from, curveInterval, curveStartTime, curveStopTime);
    SetStatusNextCurveTime(nextCurveTime);
    return nextCurveTime;
}

void DataSampler::ResetTimeDependancies() {
    time_t now = VN_Lib::Now();
    nextSampleTime = now;
    UpdateNextSampleTime(&now);
    GetNextCurveTime(&now);
    GetNextAvgTime(&now);
}

void DataSampler::RescheduleAfterClockJump(time_t now) {
    MsgLog.Writef("Clock set, schedule from %s", TimeText(now).c_str());
    const bool sampleDue = nextSampleTime <= now;
    const bool averageDue = nextAverageTime <= now;
    const bool curvesDue = nextCurveTime <= now;
    ResetTimeDependancies();
    if (sampleDue) nextSampleTime = now;
    if (averageDue) nextAverageTime = now;
    if (curvesDue) nextCurveTime = now;
}

void DataSampler::TakeManualCurves(std::vector<int> ids) {
    if (dataSourceSystem == nullptr) return;
    manualCurvesComplete = false;
    dataSourceSystem->InitializeManualCurvesQueue(ids);
}

int DataSampler::TakeNextCurve() {
    if (dataSourceSystem == nullptr) return ErrNoCurveChannel;
    const unsigned autoCursor = dataSourceSystem->autoCurves.cursor;
    const unsigned manualCursor = dataSourceSystem->manualCurves.cursor;
    int id = -1;
    int result = dataSourceSystem->TakeNextIvCurve(&id);
    if (result == 0) {
        ModuleChannel* channel = dataSourceSystem->GetModuleChannel(id);
        result = channel != nullptr ? StoreChannelCurve(*channel, id) : ErrNoCurveChannel;
    } else {
        ErrMsgLog.Writef("XCurve %i error %i. NOT stored\n", id, result);
    }
    if (RunFinished(dataSourceSystem->manualCurves, manualCursor)) manualCurvesComplete = true;
    if (RunFinished(dataSourceSystem->autoCurves, autoCursor)) autoCurvesComplete = true;
    return result;
}

CurveQueue DataSampler::ManualCurvesQueue() const {
    return dataSourceSystem != nullptr ? dataSourceSystem->manualCurves : CurveQueue();
}

CurveQueue DataSampler::AutoCurvesQueue() const {
    return dataSourceSystem != nullptr ? dataSourceSystem->autoCurves : CurveQueue();
}

int DataSampler::StoreCurves(std::vector<int> ids) {
    SetStatusState(StateStoring);
    for (int id : ids) {
        ModuleChannel* channel = dataSourceSystem != nullptr ? dataSourceSystem->GetModuleChannel(id) : nullptr;
        if (channel != nullptr) StoreChannelCurve(*channel, id);
    }
    SetStatusState(StateIdle);
    return 0;
}

int DataSampler::CalibrationModeEnabled(bool on) {
    if (dataSourceSystem != nullptr) {
        const int result = on ? dataSourceSystem->AllLoadsOff() : dataSourceSystem->RefreshLoads();
        if (result != 0) return result;
    }
    calibrationMode = on;
    return 0;
}

// The status is read by web threads holding statusMutex alone, so every
// write takes it too.
void DataSampler::SetStatusState(VN_State_T state) {
    std::lock_guard<std::mutex> lock(statusMutex);
    status.state = state;
}

void DataSampler::SetStatusNextAverageTime(time_t t) {
    std::lock_guard<std::mutex> lock(statusMutex);
    status.NextAverageTime = t;
}

void DataSampler::SetStatusNextCurveTime(time_t t) {
    std::lock_guard<std::mutex> lock(statusMutex);
    status.NextCurveTime = t;
}

void DataSampler::SetStatusStoreError(int error, int cause) {
    std::lock_guard<std::mutex> lock(statusMutex);
    status.storeError = error;
    if (error == 0) {
        status.storeErrorText.clear();
    } else if (error == ErrDataVolume) {
        status.storeErrorText = "Cannot mount data volume";
    } else {
        status.storeErrorText = cause == ENOSPC ? "Data volume full" : "Cannot write data file";
    }
}

}  // namespace VN_Sample
