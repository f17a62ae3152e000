#ifndef VN_SIM_CAN_NODE_H
#define VN_SIM_CAN_NODE_H

#include "vn_sim/can/can_frame.h"

namespace VN_Sim {

// A device on a simulated CAN wire. The wire calls ReceiveFrame for every
// frame another node transmits, from the sender's thread or from the wire's
// receiver thread, one call at a time per wire. An implementation must not
// call back into the wire from ReceiveFrame.
class CanNode {
public:
    virtual ~CanNode() = default;
    // Whether the node acknowledges the frame, as every node taking part in
    // the bus does, whether or not it keeps the frame.
    virtual bool ReceiveFrame(const CanFrame_T& frame) = 0;
};

}  // namespace VN_Sim

#endif
