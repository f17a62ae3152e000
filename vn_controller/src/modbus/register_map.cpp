#include "modbus/register_map.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/controller_logs.h"

namespace VN_Sample {

namespace {

// Pairs echoed to the debug log at each update.
const int EchoedRegisters = 20;

void SetReal(uint16_t* registers, double value) {
    const float single = static_cast<float>(value);
    uint32_t bits = 0;
    std::memcpy(&bits, &single, sizeof bits);
    registers[0] = static_cast<uint16_t>(bits >> 16);
    registers[1] = static_cast<uint16_t>(bits & 0xFFFF);
}

}  // namespace

uint16_t TemperatureRegister(double value) {
    if (std::isnan(value)) value = InvalidValue;
    // Clamped before the conversion: a value out of the integer's range
    // would make it undefined.
    const double clamped = std::max(-32768.0, std::min(32767.0, value));
    return static_cast<uint16_t>(static_cast<int16_t>(clamped));
}

void PublishTemperatures(modbus_mapping_t& image, const std::map<int, TemperatureChannel>& channels) {
    int index = 0;
    for (const auto& entry : channels) {
        if (index + 1 >= image.nb_registers) break;
        const double value = entry.second.sample.value;
        if (index < EchoedRegisters) DebugLog.Writef("Temp %i  = %f\n", entry.first, value);
        image.tab_registers[index] = static_cast<uint16_t>(entry.first);
        image.tab_registers[index + 1] = TemperatureRegister(value);
        index += 2;
    }
}

void PublishChannelValues(modbus_mapping_t& image, const std::map<int, ModuleChannel>& modules,
                          const std::map<int, AuxInputChannel>& auxInputs) {
    using L = InputLayout;
    if (image.nb_input_registers < L::Registers) return;
    uint16_t* registers = image.tab_input_registers;
    std::fill(registers, registers + L::Registers, 0);

    int modulesShown = 0;
    for (const auto& entry : modules) {
        if (modulesShown == L::MaxModules) break;
        uint16_t* block = registers + L::ModuleBase + L::ModuleBlock * modulesShown++;
        const ModuleSample& sample = entry.second.sample;
        block[0] = static_cast<uint16_t>(entry.first);
        block[1] = sample.IsValid() ? 1 : 0;
        SetReal(block + 2, sample.voltage.value);
        SetReal(block + 4, sample.current.value);
        SetReal(block + 6, sample.GetPowerValue());
    }
    int auxShown = 0;
    for (const auto& entry : auxInputs) {
        if (auxShown == L::MaxAuxInputs) break;
        uint16_t* block = registers + L::AuxBase + L::AuxBlock * auxShown++;
        block[0] = static_cast<uint16_t>(entry.first);
        block[1] = entry.second.sample.valid ? 1 : 0;
        SetReal(block + 2, entry.second.GetConvertedValue());
    }
    registers[L::VersionRegister] = L::Version;
    registers[L::ModuleCountRegister] = static_cast<uint16_t>(modulesShown);
    registers[L::AuxCountRegister] = static_cast<uint16_t>(auxShown);
}

}  // namespace VN_Sample
