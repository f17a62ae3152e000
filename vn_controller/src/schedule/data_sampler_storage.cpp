#include <cerrno>
#include <cstdio>
#include <ctime>
#include <mutex>

#include "clock.h"
#include "common/controller_logs.h"
#include "common/controller_mutexes.h"
#include "common/durable_file.h"
#include "common/quiet_command.h"
#include "log.h"
#include "schedule/data_sampler.h"
#include "storage/data_file.h"
#include "storage/day_file_tail.h"
#include "station_write.h"

namespace VN_Sample {

namespace {

// The marker lies on the data volume itself, so it is seen only while the volume is mounted.
std::string MarkerOf(const std::string& mountPoint) { return mountPoint + "/mounted"; }

// A failed append's part line (a disk that filled mid-write) is cut off at
// once: the day may end, or the controller stop, before a next append would.
void CutBackFailedAppend(const std::string& path, size_t headerLines) {
    const int cause = errno;
    FilePtr file = OpenStationFile(path, "r+e");
    if (file != nullptr) MendDayFileTail(file.get(), headerLines);
    errno = cause;
}

}  // namespace

// Built before any other object of the program: the global sampler clears it
// while it is constructed.
DataRecord DataSampler::Record __attribute__((init_priority(101)));

int DataSampler::UpdateRecord() {
    if (dataSourceSystem == nullptr) return 0;
    std::lock_guard<std::mutex> lock(recordMutex);
    int result = 0;
    for (const auto& temperature : dataSourceSystem->temperatureChannels)
        result = Record.UpdateTemperature(temperature.first, temperature.second, true);
    for (const auto& aux : dataSourceSystem->auxInputChannels)
        result = Record.UpdateAuxInput(aux.first, aux.second, true);
    for (const auto& module : dataSourceSystem->moduleChannels)
        result = Record.UpdateModule(module.first, module.second, true);
    Record.record_time = VN_Lib::Now();
    return result;
}

int DataSampler::ResetRecord() {
    std::lock_guard<std::mutex> lock(recordMutex);
    return Record.Clear();
}

void DataSampler::PrepareDataVolume() {
    // Mounting makes the directories; a volume mounted before has them checked too.
    if (DoesFileExist(MarkerOf(dataMountPoint).c_str())) {
        CreateDataDirectories();
    } else {
        MountDataVolume();
    }
}

void DataSampler::CreateDataDirectories() {
    for (const std::string& directory : {localPath, curvePath}) {
        RunQuietCommand("mkdir", {directory});
        RunQuietCommand("chgrp", {dataGroup, directory});
        RunQuietCommand("chmod g+rw", {directory});
    }
}

int DataSampler::StoreVndData() {
    int cause = 0;
    const int result = AppendAverageLine(&cause);
    dayFileFailures.Note(result, cause);
    // Shown until a store succeeds, so a station that stopped storing says so.
    SetStatusStoreError(result, cause);
    return result;
}

int DataSampler::AppendAverageLine(int* cause) {
    if (!MountDataVolume()) {
        VN_Lib::Log::LogPrintf("Cannot mount data volume\n");
        return ErrDataVolume;
    }
    const std::string path = localPath + DataFileName(VN_Lib::Now());
    // Only this thread writes the record, so it is read here without the lock.
    std::string line;
    Record.GetDataString(line, AverageRecord, delim);
    FilePtr file = OpenStationFile(path, "a+e");
    if (file == nullptr) {
        *cause = errno;
        return ErrDataFile;
    }
    const auto headers = {&DataRecord::GetIdHeader, &DataRecord::GetDescriptionHeader, &DataRecord::GetUnitsHeader};
    const DayFileTail tail = MendDayFileTail(file.get(), headers.size());
    if (tail == DayFileTail::Failed) {
        *cause = errno;
        return ErrDataFile;
    }
    std::string text;
    if (tail == DayFileTail::Empty) {
        // The new file is already open, so on the station this unmount fails
        // and the volume stays mounted.
        UnmountDataVolume();
        MountDataVolume();
        RunQuietCommand("chgrp", {dataGroup, path});
        RunQuietCommand("chmod g+rw", {path});
        std::string header;
        for (auto get : headers) {
            (Record.*get)(header, delim);
            text += header + "\n";
        }
    }
    text += line + "\n";
    const bool written = VN_Lib::WriteStationFile(file.get(), text);
    const int writeCause = errno;
    // On the disk before returning: a power cut must not take a stored average with it.
    const bool closed = CloseDurably(std::move(file));
    if (written && closed) return 0;
    *cause = written ? errno : writeCause;
    CutBackFailedAppend(path, headers.size());
    return ErrDataFile;
}

bool DataSampler::MountDataVolume() {
    const std::string marker = MarkerOf(dataMountPoint);
    if (DoesFileExist(marker.c_str())) return true;
    RunQuietCommand("mkdir", {dataMountPoint});
    // Without the volume the marker would land in the bare mount point, and
    // every data line on the root file system. A mount refused because the
    // volume is mounted already is fine.
    const int mountStatus = RunQuietCommand("mount", {dataDevice, dataMountPoint});
    if (mountStatus != 0 && !IsMountPoint(dataMountPoint)) {
        ErrMsgLog.Writef("Cannot mount data volume %s on %s (status %i)\n", dataDevice.c_str(),
                         dataMountPoint.c_str(), mountStatus);
        return false;
    }
    if (OpenStationFile(marker, "ae") == nullptr) return false;
    // The volume may be a fresh one, or one that was missing at start.
    CreateDataDirectories();
    return true;
}

int DataSampler::UnmountDataVolume() { return RunQuietCommand("umount", {dataDevice, dataMountPoint}); }

bool DataSampler::DoesFileExist(const char* path) { return OpenStationFile(path, "re") != nullptr; }

int DataSampler::WriteStringToFile(const char* text, const char* path) {
    return WriteStationString(text, path) ? 0 : ErrDataFile;
}

int DataSampler::ReadStringFromFile(char* buffer, size_t size, const char* path) {
    if (ReadStationWord(buffer, size, path)) return 0;
    DebugLog.Writef("Can't open %s file\n", path);
    return ErrDataFile;
}

}  // namespace VN_Sample
