#include "vn_sim/can/can_dac_listener.h"

#include <cstdio>

namespace VN_Sim {

namespace {

const unsigned FirstDacId = 0x4000 >> 5;
const unsigned DacIdStep = 256 >> 5;
const int LoadAddresses = 16;

}  // namespace

CanDacListener::CanDacListener(std::shared_ptr<CanWire> canWire, DacHandler dacHandler)
    : wire(std::move(canWire)), handler(std::move(dacHandler)) {
    wire->Attach(this);
}

CanDacListener::~CanDacListener() { wire->Detach(this); }

bool CanDacListener::ReceiveFrame(const CanFrame_T& frame) {
    if (frame.id < FirstDacId || (frame.id - FirstDacId) % DacIdStep != 0) return true;
    const int address = static_cast<int>((frame.id - FirstDacId) / DacIdStep);
    if (address >= LoadAddresses) return true;
    if (frame.dlc != 2) {
        ++malformed;
        std::fprintf(stderr, "can load: DAC message for address %d with %d data bytes instead of 2\n", address,
                     frame.dlc);
        return true;
    }
    handler(address, (static_cast<unsigned>(frame.data[0]) << 8) | frame.data[1]);
    return true;
}

}  // namespace VN_Sim
