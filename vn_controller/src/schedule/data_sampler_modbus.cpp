#include "modbus/modbus_server.h"
#include "modbus/register_map.h"
#include "schedule/data_sampler.h"

namespace VN_Sample {

int DataSampler::UpdateModbusRecord() {
    if (modbus == nullptr || dataSourceSystem == nullptr) return 0;
    const DataSystem& system = *dataSourceSystem;
    modbus->UpdateRegisters([&system](modbus_mapping_t& image) {
        PublishTemperatures(image, system.temperatureChannels);
        PublishChannelValues(image, system.moduleChannels, system.auxInputChannels);
    });
    return 0;
}

}  // namespace VN_Sample
