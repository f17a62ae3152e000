#ifndef VN_SIM_STATION_LED_BANK_H
#define VN_SIM_STATION_LED_BANK_H

#include <cstdint>
#include <mutex>

#include "vn_sim/port_space.h"

namespace VN_Sim {

// A front-panel LED register as the LED driver uses it: the latched outputs
// are read at the first port and written at the second; a cleared bit lights
// its LED. Powers up with every LED dark. Any other access is reported on
// stderr and counted; a read then gives 0xFF as from an absent device.
class LedBank : public PortDevice {
public:
    static const unsigned PortCount = 2;

    explicit LedBank(unsigned baseAddress);

    uint8_t ReadByte(unsigned offset) override;
    void WriteByte(unsigned offset, uint8_t value) override;

    // Ground truth for tests.
    uint8_t Outputs() const;
    bool IsLit(int bit) const;
    int FaultCount() const;

private:
    void Fault(const char* what, unsigned offset);

    unsigned base;
    mutable std::mutex mutex;
    uint8_t outputs = 0xFF;
    int faults = 0;
};

}  // namespace VN_Sim

#endif
