#ifndef VN_TEST_INSTRUCTION_SPY_H
#define VN_TEST_INSTRUCTION_SPY_H

#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "vn_sim/spi_device.h"

namespace VN_Test {

// Passes SPI traffic through to a device and remembers the instruction
// byte of every selection.
class InstructionSpy : public VN_Sim::SpiDevice {
public:
    explicit InstructionSpy(std::shared_ptr<VN_Sim::SpiDevice> target) : device(std::move(target)) {}
    void Select() override {
        std::lock_guard<std::mutex> lock(mutex);
        first = true;
        device->Select();
    }
    void Deselect() override { device->Deselect(); }
    uint8_t Transfer(uint8_t mosi) override {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (first) instructions.push_back(mosi);
            first = false;
        }
        return device->Transfer(mosi);
    }
    std::vector<uint8_t> Instructions() {
        std::lock_guard<std::mutex> lock(mutex);
        return instructions;
    }

private:
    std::shared_ptr<VN_Sim::SpiDevice> device;
    std::mutex mutex;
    bool first = false;
    std::vector<uint8_t> instructions;
};

}  // namespace VN_Test

#endif
