#include <cstdio>
#include <type_traits>

#include "acquisition/data_system.h"
#include "common/controller_logs.h"

namespace VN_Sample {

namespace {

// Copies a unit's sample into a channel's sample: the value, then its validity.
void TakeOver(DataSample& channel, const DataSample& source) {
    channel.SetValue(source.value);
    if (!source.valid) channel.Invalidate();
}

// Copies each channel's sample from its unit; a channel whose unit or input
// is unknown is invalidated. *result becomes the last look-up's result.
template <class Map, class Fetch, class Take>
void RefreshChannels(Map& channels, Fetch fetch, int* result, Take take) {
    for (auto& entry : channels) {
        auto& channel = entry.second;
        typename std::remove_reference<decltype(channel.sample)>::type sample;
        *result = fetch(&sample, channel.dataSourceId, channel.localId);
        if (*result != 0) {
            channel.sample.Invalidate();
            continue;
        }
        take(channel.sample, sample);
    }
}

}  // namespace

int DataSystem::BringOnline(int id, DataSource& source) {
    int result = source.GoOnline();
    if (result == 0) {
        std::printf("Online DS=%i at %s\n", id, LogTimeText().c_str());
        std::fflush(stdout);
        MsgLog.Writef("Online DS=%i\n", id);
    }
    return result;
}

int DataSystem::SampleDataChannels() {
    int result = 0;
    if (offlineRetryTimer.ReadTimerSeconds() >= offlineRetryInterval) {
        for (auto& entry : dataSources) {
            DataSource& source = entry.second;
            if (source.Online() || !source.Active()) continue;
            MsgLog.Writef("Try offline DS=%i\n", entry.first);
            DebugLog.Writef("Try offline DS=%i\n", entry.first);
            if (BringOnline(entry.first, source) != 0) continue;
            for (auto& module : moduleChannels) {
                if (module.second.dataSourceId == entry.first) RefreshLoad(module.second);
            }
        }
        offlineRetryTimer.Restart();
    }

    for (auto& entry : dataSources) {
        DataSource& source = entry.second;
        if (source.Online() && source.Active()) {
            result = source.ReadAllSampleData();
        } else {
            source.InvalidateAllSamples();
        }
    }

    auto fetchTemperature = [this](TemperatureSample* sample, int source, int local) {
        return GetDataSourceTemperatureSample(sample, source, local);
    };
    RefreshChannels(temperatureChannels, fetchTemperature, &result,
                    [](TemperatureSample& channel, const TemperatureSample& sample) {
                        TakeOver(channel, sample);
                        channel.tcType = sample.tcType;
                    });
    auto fetchAuxInput = [this](AuxInputSample* sample, int source, int local) {
        return GetDataSourceAuxInputSample(sample, source, local);
    };
    RefreshChannels(auxInputChannels, fetchAuxInput, &result,
                    [](AuxInputSample& channel, const AuxInputSample& sample) { TakeOver(channel, sample); });
    auto fetchModule = [this](ModuleSample* sample, int source, int local) {
        return GetDataSourceModuleSample(sample, source, local);
    };
    RefreshChannels(moduleChannels, fetchModule, &result, [](ModuleSample& channel, const ModuleSample& sample) {
        channel.voltage.SetValue(sample.voltage.value);
        channel.current.SetValue(sample.current.value);
        if (!sample.IsValid()) channel.Invalidate();
    });
    return result;
}

int DataSystem::AverageDataChannels() {
    for (auto& entry : temperatureChannels) entry.second.sample.AverageNow();
    for (auto& entry : auxInputChannels) entry.second.sample.AverageNow();
    for (auto& entry : moduleChannels) entry.second.sample.AverageNow();
    return 0;
}

int DataSystem::ResetDataAverages() {
    for (auto& entry : temperatureChannels) entry.second.sample.ResetAverage();
    for (auto& entry : auxInputChannels) entry.second.sample.ResetAverage();
    for (auto& entry : moduleChannels) entry.second.sample.ResetAverage();
    return 0;
}

int DataSystem::LoadModeFor(const ModuleChannel& channel) const {
    switch (globalPowerMode) {
        case PowerTrack: return TrackMaxPower;
        case PowerFixed: return TrackFixedVoltage;
        case PowerPerChannel: return channel.loadConfiguration.mode;
        default: return TrackOff;
    }
}

int DataSystem::SetHardwareLoad(ModuleChannel& channel, LoadConfiguration_T configuration) {
    DataSource* source = GetDataSource(channel.dataSourceId);
    if (source == nullptr) return ErrNoDataSource;
    return source->SetLoad(channel.localId, configuration);
}

int DataSystem::SetHardwareLoad(int channel, LoadConfiguration_T configuration) {
    ModuleChannel* module = GetModuleChannel(channel);
    if (module == nullptr) return ErrUnknownModule;
    return SetHardwareLoad(*module, configuration);
}

int DataSystem::RefreshLoad(ModuleChannel& channel) {
    LoadConfiguration_T configuration = channel.loadConfiguration;
    configuration.mode = LoadModeFor(channel);
    return SetHardwareLoad(channel, configuration);
}

int DataSystem::RefreshLoad(int channel) {
    ModuleChannel* module = GetModuleChannel(channel);
    if (module == nullptr) return ErrUnknownModule;
    return RefreshLoad(*module);
}

int DataSystem::RefreshLoads() {
    std::printf("Refresh Loads\n");
    for (auto& entry : moduleChannels) RefreshLoad(entry.second);
    return 0;
}

int DataSystem::SetModuleToVoc(int channel) {
    ModuleChannel* module = GetModuleChannel(channel);
    if (module == nullptr) return ErrUnknownModule;
    if (GetDataSource(module->dataSourceId) == nullptr) return ErrNoDataSource;
    LoadConfiguration_T configuration = module->loadConfiguration;
    configuration.mode = TrackOff;
    return SetHardwareLoad(*module, configuration);
}

int DataSystem::SetModuleToIsc(int channel) {
    ModuleChannel* module = GetModuleChannel(channel);
    if (module == nullptr) return ErrUnknownModule;
    if (GetDataSource(module->dataSourceId) == nullptr) return ErrNoDataSource;
    LoadConfiguration_T configuration = module->loadConfiguration;
    configuration.mode = TrackFixedVoltage;
    configuration.fixedVoltage = 0.0;
    return SetHardwareLoad(*module, configuration);
}

int DataSystem::AllLoadsOff() {
    std::printf("All Loads Off\n");
    for (auto& entry : moduleChannels) SetModuleToVoc(entry.first);
    return 0;
}

int DataSystem::SetGlobalPowerMode(int mode) {
    globalPowerMode = mode;
    if (mode == PowerAllOff) {
        bool tooOld = false;
        for (auto& entry : dataSources) {
            DataSource& source = entry.second;
            if (source.Online() && source.Active() && source.SetAllLoadsOff() == DataSource::ErrTooOld) tooOld = true;
        }
        if (!tooOld) return 0;
    }
    for (auto& entry : moduleChannels) {
        const int error = RefreshLoad(entry.second);
        if (error != 0) DebugLog.Writef("Global load control chan %i   error %i\n", entry.first, error);
    }
    return 0;
}

int DataSystem::SetGlobalCurveMode(int mode) {
    globalCurveMode = mode;
    return 0;
}

int DataSystem::UpdateLoadProfiles() {
    if (globalPowerMode != PowerPerChannel) return 0;
    for (auto& entry : moduleChannels) {
        ModuleChannel& channel = entry.second;
        double volts = 0.0;
        if (!channel.TimeToUpdateLoadProfile(&volts)) continue;
        LoadConfiguration_T configuration = channel.loadConfiguration;
        configuration.mode = TrackFixedVoltage;
        configuration.fixedVoltage = volts;
        SetHardwareLoad(channel, configuration);
    }
    return 0;
}

}  // namespace VN_Sample
