#include "acquisition/data_system.h"
#include "clock.h"
#include "common/controller_logs.h"

namespace VN_Sample {

void DataSystem::InitializeAutoCurvesQueue() {
    autoCurves.Clear();
    for (const auto& entry : moduleChannels) {
        if (globalCurveMode == CurvesAll || (globalCurveMode == CurvesEnabled && entry.second.curveEnabled)) {
            autoCurves.Add(entry.first);
        }
    }
}

void DataSystem::InitializeManualCurvesQueue(std::vector<int> ids) {
    manualCurves.Clear();
    for (int id : ids) manualCurves.Add(id);
}

void DataSystem::FillCurveReadings(ModuleChannel& channel, bool after) {
    IvCurve& curve = channel.curve;
    std::vector<Irradiance>& irradiances = after ? curve.AfterIrradiances : curve.Irradiances;
    std::vector<TemperatureChannel>& temperatures = after ? curve.AfterTemperatures : curve.Temperatures;
    std::vector<AuxInputChannel>& auxInputs = after ? curve.AfterAuxInputs : curve.AuxInputs;
    irradiances.clear();
    temperatures.clear();
    auxInputs.clear();
    for (int id : channel.irradianceIds) {
        if (const AuxInputChannel* input = GetAuxInputChannel(id)) irradiances.emplace_back(*input);
    }
    for (int id : channel.temperatureIds) {
        if (const TemperatureChannel* temperature = GetTemperatureChannel(id)) temperatures.push_back(*temperature);
    }
    for (int id : channel.auxInputIds) {
        if (const AuxInputChannel* input = GetAuxInputChannel(id)) auxInputs.push_back(*input);
    }
}

int DataSystem::TakeIvCurve(ModuleChannel& channel) {
    MsgLog.Writef("Take Curve %i\n", channel.localId);
    DataSource* source = GetDataSource(channel.dataSourceId);
    if (source == nullptr) return ErrNoDataSource;
    const int result = source->TakeIvCurve(channel.localId, channel.curve);
    if (result != 0) return result;
    IvCurve& curve = channel.curve;
    curve.Date_Time = VN_Lib::Now();
    curve.ModuleID = std::to_string(GetChannelId(channel.dataSourceId, channel.localId));
    curve.AfterIrradiances.clear();
    curve.AfterTemperatures.clear();
    curve.AfterAuxInputs.clear();
    FillCurveReadings(channel, false);
    return 0;
}

int DataSystem::TakeIvCurve(int channel) {
    ModuleChannel* module = GetModuleChannel(channel);
    if (module == nullptr) return ErrUnknownModule;
    return TakeIvCurve(*module);
}

int DataSystem::TakeNextIvCurve(int* channel) {
    int result = 0;
    if (ModuleChannel* last = GetModuleChannel(lastCurve.channel)) {
        FillCurveReadings(*last, true);
        *channel = lastCurve.channel;
        result = lastCurve.error;
    }
    // The entry is closed even when its id named no channel (it failed with
    // 701), so it does not stay pending; a queue rebuilt since the curve
    // began no longer holds it.
    CurveQueue* queue = lastCurve.queue;
    if (queue != nullptr && queue->Generation() == lastCurve.generation && lastCurve.index < queue->entries.size()) {
        CurveQueueEntry_T& entry = queue->entries[lastCurve.index];
        entry.curve_error = lastCurve.error;
        entry.curve_state = lastCurve.error == 0 ? CurveTaken : CurveFailed;
    }
    lastCurve = LastCurve_T();

    queue = !autoCurves.AtEnd() ? &autoCurves : !manualCurves.AtEnd() ? &manualCurves : nullptr;
    if (queue == nullptr) return result;
    CurveQueueEntry_T* entry = queue->CurveEntry();
    const int id = entry->channel_id;
    lastCurve.error = TakeIvCurve(id);
    entry = queue->CurveEntry();
    entry->curve_error = lastCurve.error;
    lastCurve.channel = id;
    lastCurve.queue = queue;
    lastCurve.index = queue->cursor;
    lastCurve.generation = queue->Generation();
    queue->Increment();
    return result;
}

}  // namespace VN_Sample
