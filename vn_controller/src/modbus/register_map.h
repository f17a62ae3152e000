#ifndef VN_CONTROLLER_REGISTER_MAP_H
#define VN_CONTROLLER_REGISTER_MAP_H

#include <modbus.h>

#include <cstdint>
#include <map>

#include "channels/aux_input_channel.h"
#include "channels/module_channel.h"
#include "channels/temperature_channel.h"

// The Modbus register image of the channels (docs/modbus.md).
namespace VN_Sample {

// Input register layout: a header, a block per module channel and a block
// per aux input, at fixed addresses so clients need not follow the counts.
struct InputLayout {
    static constexpr int Version = 1;
    static constexpr int VersionRegister = 0;
    static constexpr int ModuleCountRegister = 1;
    static constexpr int AuxCountRegister = 2;
    static constexpr int ModuleBase = 10;
    static constexpr int ModuleBlock = 8;
    static constexpr int MaxModules = 64;
    static constexpr int AuxBase = 600;
    static constexpr int AuxBlock = 4;
    static constexpr int MaxAuxInputs = 32;
    static constexpr int Registers = AuxBase + AuxBlock * MaxAuxInputs;
};

// A temperature as a holding register: truncated toward zero, in two's
// complement; values beyond 16 bits saturate, and a value that is no number
// reads as the invalid marker (-9999).
uint16_t TemperatureRegister(double value);

// Holding registers 2k and 2k + 1: id and temperature of the k-th temperature
// channel in ascending id, as many pairs as fit; later registers keep their
// contents. The first ten pairs are echoed to the debug log.
void PublishTemperatures(modbus_mapping_t& image, const std::map<int, TemperatureChannel>& channels);

// Input registers: the header, then each module channel's id, validity,
// voltage, current and power and each aux input's id, validity and converted
// value, reals as IEEE 754 singles with the high word first. Blocks of
// channels that are gone read as zeros.
void PublishChannelValues(modbus_mapping_t& image, const std::map<int, ModuleChannel>& modules,
                          const std::map<int, AuxInputChannel>& auxInputs);

}  // namespace VN_Sample

#endif
