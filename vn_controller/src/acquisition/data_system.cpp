#include "acquisition/data_system.h"

#include <climits>

namespace VN_Sample {

namespace {

constexpr int MaxLocalId = 99;

template <typename T>
T* Find(std::map<int, T>& items, int id) {
    auto found = items.find(id);
    return found != items.end() ? &found->second : nullptr;
}

}  // namespace

// The members start empty, with the retry timer running from now.
DataSystem::DataSystem() = default;

// Each link runs on a CAN bus and each bus on an adapter card, so the
// sources go first, then the buses, then the cards.
DataSystem::~DataSystem() {
    dataSources.clear();
    canBuses.clear();
    canCards.clear();
}

int DataSystem::GetChannelId(int source, int local) {
    // The bound on source keeps an id read from a document from overflowing.
    if (source < 0 || source > (INT_MAX - MaxLocalId) / 100 || local < 1 || local > MaxLocalId) return -1;
    return source * 100 + local;
}

ModuleChannel* DataSystem::GetModuleChannel(int id) { return Find(moduleChannels, id); }

AuxInputChannel* DataSystem::GetAuxInputChannel(int id) { return Find(auxInputChannels, id); }

TemperatureChannel* DataSystem::GetTemperatureChannel(int id) { return Find(temperatureChannels, id); }

DataSource* DataSystem::GetDataSource(int id) { return Find(dataSources, id); }

int DataSystem::GetDataSourceModuleSample(ModuleSample* sample, int source, int local) {
    DataSource* found = GetDataSource(source);
    return found != nullptr ? found->GetModuleSample(sample, local) : ErrNoDataSource;
}

int DataSystem::GetDataSourceAuxInputSample(AuxInputSample* sample, int source, int local) {
    DataSource* found = GetDataSource(source);
    return found != nullptr ? found->GetAuxInputSample(sample, local) : ErrNoDataSource;
}

int DataSystem::GetDataSourceTemperatureSample(TemperatureSample* sample, int source, int local) {
    DataSource* found = GetDataSource(source);
    return found != nullptr ? found->GetTemperatureSample(sample, local) : ErrNoDataSource;
}

}  // namespace VN_Sample
