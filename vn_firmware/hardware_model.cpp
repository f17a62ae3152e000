#include "hardware_model.h"

#include <algorithm>
#include <iterator>

#include "sys_error.h"

namespace VN_Lib {

namespace {

// Serves the remembered id and moves on to the next one in ascending order,
// wrapping to the first; an id that has gone moves on to the first as well.
template <typename Items, typename Serve>
int ServeNext(const Items& items, int* remembered, Serve serve) {
    if (items.empty()) {
        *remembered = 0;
        return 0;
    }
    auto it = items.find(*remembered);
    int candidate = items.begin()->first;
    if (it != items.end() && std::next(it) != items.end()) candidate = std::next(it)->first;
    int result = serve(*remembered);
    *remembered = candidate;
    return result;
}

const char* TypeLetter(int type) {
    switch (type) {
        case TC_TYPE_T: return "T";
        case TC_TYPE_K: return "K";
        case TC_TYPE_J: return "J";
        default: return "Unknown";
    }
}

}  // namespace

Vantrel::~Vantrel() { ClearHardware(); }

int Vantrel::CalibrateAnalogCardReferences() {
    for (auto& card : cards) card.second->UpdateAllReferences();
    return 0;
}

int Vantrel::UpdateAnalogCardReferences() {
    for (auto& card : cards) card.second->UpdateNextReference();
    return 0;
}

int Vantrel::UpdateNextAuxInputSample() {
    return ServeNext(auxInputs, &nextAuxInput, [this](int id) {
        double value = 0.0;
        return SampleAuxInput(&value, id);
    });
}

int Vantrel::UpdateNextTemperatureSample() {
    return ServeNext(temperatures, &nextTemperature, [this](int id) {
        double value = 0.0;
        return SampleTemperature(&value, id);
    });
}

int Vantrel::UpdateNextHeatSinkTemperatureSample() {
    return ServeNext(heatSinkTemperatures, &nextHeatSink, [this](int id) {
        double value = 0.0;
        return SampleHeatSinkTemperature(&value, id);
    });
}

int Vantrel::UpdateNextIntakeTemperatureSample() {
    return ServeNext(intakeTemperatures, &nextIntake, [this](int id) {
        double value = 0.0;
        return SampleIntakeTemperature(&value, id);
    });
}

int Vantrel::UpdateNextSupplyTemperatureSample() {
    return ServeNext(supplyTemperatures, &nextSupply, [this](int id) {
        double value = 0.0;
        return SampleSupplyTemperature(&value, id);
    });
}

int Vantrel::UpdateNextLoad() {
    return ServeNext(modules, &nextLoad, [this](int id) { return UpdateLoad(id); });
}

int Vantrel::SampleAuxInput(double* value, int id) {
    auto it = auxInputs.find(id);
    if (it == auxInputs.end()) return ERR_UNKNOWN_AUX_INPUT;
    int result = it->second.Update(auxSampleTime);
    *value = it->second.Value();
    return result;
}

int Vantrel::SampleTemp(TempMap& inputs, double* value, int id, unsigned int sampleTime) {
    auto it = inputs.find(id);
    if (it == inputs.end()) return ERR_UNKNOWN_TEMPERATURE;
    int result = it->second.Update(sampleTime);
    *value = it->second.Temperature();
    return result;
}

int Vantrel::SampleTemperature(double* value, int id) {
    return SampleTemp(temperatures, value, id, temperatureSampleTime);
}

int Vantrel::SampleHeatSinkTemperature(double* value, int id) {
    return SampleTemp(heatSinkTemperatures, value, id, internalSampleTime);
}

int Vantrel::SampleIntakeTemperature(double* value, int id) {
    return SampleTemp(intakeTemperatures, value, id, internalSampleTime);
}

int Vantrel::SampleSupplyTemperature(double* value, int id) {
    return SampleTemp(supplyTemperatures, value, id, internalSampleTime);
}

int Vantrel::SampleTemps(TempMap& inputs, unsigned int sampleTime) {
    for (auto& input : inputs) {
        int result = input.second.Update(sampleTime);
        if (result != 0) return result;
    }
    return 0;
}

int Vantrel::SampleModules() {
    for (auto& module : modules) {
        int result = module.second->SampleModule();
        if (result != 0) return result;
    }
    return 0;
}

int Vantrel::SampleAuxInputs() {
    for (auto& input : auxInputs) {
        int result = input.second.Update(auxSampleTime);
        if (result != 0) return result;
    }
    return 0;
}

int Vantrel::SampleTemperatures() { return SampleTemps(temperatures, temperatureSampleTime); }

int Vantrel::SampleHeatSinkTemperatures() { return SampleTemps(heatSinkTemperatures, internalSampleTime); }

int Vantrel::SampleAll() {
    SampleModules();
    SampleAuxInputs();
    SampleTemperatures();
    SampleHeatSinkTemperatures();
    return 0;
}

int Vantrel::ReadRawAnalogChannelADC(int* count, int card, int mux, int chan, int gainIndex,
                                     unsigned int sampleTime) {
    Analog104* analogCard = FindCard(card);
    if (analogCard == nullptr) return ERR_UNKNOWN_CARD;
    int status = 0;
    *count = analogCard->Read_Int(mux, chan, 0, gainIndex, sampleTime, &status);
    return status;
}

int Vantrel::ReadAnalogChannelADC(int* count, int card, int mux, int chan, unsigned int sampleTime) {
    Analog104* analogCard = FindCard(card);
    if (analogCard == nullptr) return ERR_UNKNOWN_CARD;
    *count = analogCard->Auto_Read_Int(mux, chan, sampleTime, nullptr);
    return 0;
}

int Vantrel::ReadAnalogChannelVolts(double* volts, int card, int mux, int chan, unsigned int sampleTime) {
    Analog104* analogCard = FindCard(card);
    if (analogCard == nullptr) return ERR_UNKNOWN_CARD;
    *volts = analogCard->Auto_Read_Volts(mux, chan, sampleTime, nullptr);
    return 0;
}

int Vantrel::UpdateLoad(int id) {
    Controller* module = FindModule(id);
    if (module == nullptr) return ERR_UNKNOWN_MODULE;
    if (thermal.OverTemperature()) {
        int error = 0;
        module->GetVoc(&error);
        return error;
    }
    return module->UpdateLoad();
}

int Vantrel::SetModuleToVoc(int id) {
    Controller* module = FindModule(id);
    if (module == nullptr) return ERR_UNKNOWN_MODULE;
    int error = 0;
    module->GetVoc(&error);
    return error;
}

int Vantrel::InitializeLoads(int id) {
    if (id == 0) {
        for (auto& module : modules) module.second->InitializeLoad();
        return 0;
    }
    Controller* module = FindModule(id);
    if (module == nullptr) return ERR_UNKNOWN_MODULE;
    return module->InitializeLoad();
}

int Vantrel::SetLoadControlParameters(int id, const LoadConfiguration_T& configuration) {
    Controller* module = FindModule(id);
    if (module == nullptr) return ERR_UNKNOWN_MODULE;
    SetModuleToVoc(id);
    return module->SetLoadParameters(configuration);
}

int Vantrel::SetAllLoadsOff() {
    for (auto& module : modules) {
        LoadConfiguration_T off = module.second->GetLoadConfiguration();
        off.mode = 0;
        SetLoadControlParameters(module.first, off);
    }
    return 0;
}

int Vantrel::UpdateThermalManagement() {
    double hottest = GetMaxHeatsinkTemp();
    UpdateFanSpeed(hottest);
    CheckHeatsinkTemperature(hottest);
    return 0;
}

double Vantrel::GetMaxHeatsinkTemp() const {
    double hottest = 0.0;
    for (const auto& input : heatSinkTemperatures) hottest = std::max(hottest, double(input.second.Temperature()));
    return hottest;
}

std::vector<ModulePower_T> Vantrel::ModulePowers() const {
    std::vector<ModulePower_T> powers;
    for (const auto& module : modules) {
        const IV_Measurement& m = module.second->ModuleMeasurement();
        powers.push_back({module.first, m.Voltage().Value(), m.Current().Value(), module.second->Ratings().pmax});
    }
    return powers;
}

std::vector<int> Vantrel::AuxInputIds() const {
    std::vector<int> ids;
    for (const auto& input : auxInputs) ids.push_back(input.first);
    return ids;
}

std::vector<std::pair<int, std::string>> Vantrel::TemperatureTypes() const {
    std::vector<std::pair<int, std::string>> types;
    for (const auto& input : temperatures) types.emplace_back(input.first, TypeLetter(input.second.Type()));
    return types;
}

std::vector<int> Vantrel::ModuleIds() const {
    std::vector<int> ids;
    for (const auto& module : modules) ids.push_back(module.first);
    return ids;
}

std::vector<std::pair<int, double>> Vantrel::TemperatureValues() const {
    std::vector<std::pair<int, double>> values;
    for (const auto& input : temperatures) values.emplace_back(input.first, input.second.Temperature());
    return values;
}

std::vector<std::pair<int, double>> Vantrel::AuxInputValues() const {
    std::vector<std::pair<int, double>> values;
    for (const auto& input : auxInputs) values.emplace_back(input.first, input.second.Value());
    return values;
}

std::vector<Vantrel::ModuleValue_T> Vantrel::ModuleValues() const {
    std::vector<ModuleValue_T> values;
    for (const auto& module : modules) {
        const IV_Measurement& m = module.second->ModuleMeasurement();
        values.push_back({module.first, m.Current().Value(), m.Voltage().Value()});
    }
    return values;
}

Analog104* Vantrel::FindCard(int id) {
    auto it = cards.find(id);
    return it != cards.end() ? it->second.get() : nullptr;
}

CanBus* Vantrel::FindCanBus(int id) {
    auto it = canBuses.find(id);
    return it != canBuses.end() ? it->second.get() : nullptr;
}

Controller* Vantrel::FindModule(int id) {
    auto it = modules.find(id);
    return it != modules.end() ? it->second.get() : nullptr;
}

Measurement* Vantrel::FindAuxInput(int id) {
    auto it = auxInputs.find(id);
    return it != auxInputs.end() ? &it->second : nullptr;
}

Led Vantrel::StatusLed() {
    auto it = leds.find(0);
    if (it == leds.end()) it = leds.emplace(0, Led()).first;
    return it->second;
}

}  // namespace VN_Lib
