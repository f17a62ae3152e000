#ifndef VN_SIM_CAN_DAC_LISTENER_H
#define VN_SIM_CAN_DAC_LISTENER_H

#include <atomic>
#include <functional>
#include <memory>

#include "vn_sim/can/can_node.h"
#include "vn_sim/can/can_wire.h"

namespace VN_Sim {

// What an electronic load hears on its bus: the DAC set-point message of a
// load address 0..15, identifier 0x4000 + address x 256 in the SIDH/SIDL
// layout (11-bit identifier 0x200 + address x 8), two data bytes, high byte
// first. The listener decodes it for every address and hands (address, dac)
// to the handler; other frames are none of its business.
class CanDacListener : public CanNode {
public:
    // Runs on the thread that delivers the frame, under the wire's lock: it must
    // not transmit on the wire nor access a card.
    using DacHandler = std::function<void(int address, unsigned dac)>;

    CanDacListener(std::shared_ptr<CanWire> wire, DacHandler handler);
    ~CanDacListener() override;
    CanDacListener(const CanDacListener&) = delete;
    CanDacListener& operator=(const CanDacListener&) = delete;

    // A load acknowledges every frame on its bus.
    bool ReceiveFrame(const CanFrame_T& frame) override;

    // DAC messages with a length other than two bytes (reported, not applied).
    int MalformedCount() const { return malformed.load(); }

private:
    std::shared_ptr<CanWire> wire;
    DacHandler handler;
    std::atomic<int> malformed{0};
};

}  // namespace VN_Sim

#endif
