#include <cctype>
#include <cstdio>
#include <ctime>
#include <mutex>

#include "clock.h"
#include "controller_logs.h"
#include "controller_mutexes.h"
#include "data_sampler.h"
#include "durable_file.h"
#include "log.h"
#include "quiet_command.h"
#include "station_paths.h"

namespace VN_Sample {

// Built before any other object of the program: the global sampler clears it
// while it is constructed.
DataRecord DataSampler::Record __attribute__((init_priority(101)));

namespace {

// One file a day, named by the local date at storing.
std::string DataFileName(time_t now) {
    struct tm local = {};
    localtime_r(&now, &local);
    char name[32];
    std::snprintf(name, sizeof name, "vn%02i%02i%04i.vnd", local.tm_mon + 1, local.tm_mday, local.tm_year + 1900);
    return name;
}

FilePtr OpenStationFile(const char* path, const char* mode) {
    return FilePtr(std::fopen(VN_Lib::StationPath(path).c_str(), mode));
}

}  // namespace

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
    if (!MountDataVolume()) return;
    for (const std::string& directory : {localPath, curvePath}) {
        RunQuietCommand("mkdir", {directory});
        RunQuietCommand("chgrp", {dataGroup, directory});
        RunQuietCommand("chmod g+rw", {directory});
    }
}

int DataSampler::StoreVndData() {
    if (!MountDataVolume()) {
        VN_Lib::Log::LogPrintf("Cannot mount data volume\n");
        return ErrDataVolume;
    }
    const std::string path = localPath + DataFileName(VN_Lib::Now());
    // Only this thread writes the record, so it is read here without the lock.
    std::string line;
    Record.GetDataString(line, AverageRecord, delim);
    const bool existed = DoesFileExist(path.c_str());
    FilePtr file = OpenStationFile(path.c_str(), "ae");
    if (file == nullptr) return ErrDataFile;
    std::string text;
    if (!existed) {
        // The new file is already open, so on the station this unmount fails
        // and the volume stays mounted.
        UnmountDataVolume();
        MountDataVolume();
        RunQuietCommand("chgrp", {dataGroup, path});
        RunQuietCommand("chmod g+rw", {path});
        std::string header;
        for (auto get : {&DataRecord::GetIdHeader, &DataRecord::GetDescriptionHeader, &DataRecord::GetUnitsHeader}) {
            (Record.*get)(header, delim);
            text += header + "\n";
        }
    }
    text += line + "\n";
    const bool written = std::fputs(text.c_str(), file.get()) >= 0;
    // On the disk before returning: a power cut must not take a stored average with it.
    return CloseDurably(std::move(file)) && written ? 0 : ErrDataFile;
}

bool DataSampler::MountDataVolume() {
    // The marker lies on the data volume itself, so it is seen only while the volume is mounted.
    const std::string marker = dataMountPoint + "/mounted";
    if (DoesFileExist(marker.c_str())) return true;
    RunQuietCommand("mkdir", {dataMountPoint});
    RunQuietCommand("mount", {dataDevice, dataMountPoint});
    return OpenStationFile(marker.c_str(), "ae") != nullptr;
}

int DataSampler::UnmountDataVolume() { return RunQuietCommand("umount", {dataDevice, dataMountPoint}); }

bool DataSampler::DoesFileExist(const char* path) { return OpenStationFile(path, "re") != nullptr; }

int DataSampler::WriteStringToFile(const char* text, const char* path) {
    FilePtr file = OpenStationFile(path, "we");
    if (file == nullptr) return ErrDataFile;
    const bool written = std::fputs(text, file.get()) >= 0 && std::fputc('\n', file.get()) != EOF;
    return CloseDurably(std::move(file)) && written ? 0 : ErrDataFile;
}

int DataSampler::ReadStringFromFile(char* buffer, size_t size, const char* path) {
    FilePtr file = OpenStationFile(path, "re");
    if (file == nullptr) {
        DebugLog.Writef("Can't open %s file\n", path);
        return ErrDataFile;
    }
    if (size == 0) return 0;
    int c = std::fgetc(file.get());
    while (c != EOF && std::isspace(c)) c = std::fgetc(file.get());
    size_t length = 0;
    while (c != EOF && !std::isspace(c) && length + 1 < size) {
        buffer[length++] = static_cast<char>(c);
        c = std::fgetc(file.get());
    }
    buffer[length] = '\0';
    return 0;
}

}  // namespace VN_Sample
