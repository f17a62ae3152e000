#include "vn_sim/station/led_bank.h"

#include <cstdio>

namespace VN_Sim {

namespace {

const unsigned ReadPort = 0;
const unsigned WritePort = 1;

}  // namespace

LedBank::LedBank(unsigned baseAddress) : base(baseAddress) {}

void LedBank::Fault(const char* what, unsigned offset) {
    ++faults;
    std::fprintf(stderr, "led bank 0x%x: %s at port 0x%x\n", base, what, base + offset);
}

uint8_t LedBank::ReadByte(unsigned offset) {
    std::lock_guard<std::mutex> lock(mutex);
    if (offset == ReadPort) return outputs;
    Fault("read of the write-only output port", offset);
    return 0xFF;
}

void LedBank::WriteByte(unsigned offset, uint8_t value) {
    std::lock_guard<std::mutex> lock(mutex);
    if (offset == WritePort) {
        outputs = value;
        return;
    }
    Fault("write to the read-only state port", offset);
}

uint8_t LedBank::Outputs() const {
    std::lock_guard<std::mutex> lock(mutex);
    return outputs;
}

bool LedBank::IsLit(int bit) const {
    if (bit < 0 || bit > 7) return false;
    std::lock_guard<std::mutex> lock(mutex);
    return (outputs & (1 << bit)) == 0;
}

int LedBank::FaultCount() const {
    std::lock_guard<std::mutex> lock(mutex);
    return faults;
}

}  // namespace VN_Sim
