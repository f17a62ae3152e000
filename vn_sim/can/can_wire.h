#ifndef VN_SIM_CAN_WIRE_H
#define VN_SIM_CAN_WIRE_H

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "vn_sim/can/can_frame.h"
#include "vn_sim/can/can_frame_fault.h"
#include "vn_sim/can/can_node.h"
#include "vn_sim/can/can_socket_link.h"

namespace VN_Sim {

// A named simulated CAN bus: every attached node receives every frame but
// its own. Nodes of this process are reached directly; other processes on
// the same bus through a socket link in "<linkFolder>/<name>/". A fault file
// (CanFrameFault) breaks what this process sends to the others on purpose.
class CanWire {
public:
    // An empty linkFolder keeps the bus inside this process; an empty
    // faultFile keeps it sound.
    explicit CanWire(const std::string& name, const std::string& linkFolder = "can",
                     const std::string& faultFile = "");
    CanWire(const CanWire&) = delete;
    CanWire& operator=(const CanWire&) = delete;

    const std::string& Name() const { return name; }
    // True when frames also travel to and from other processes.
    bool IsLinked() const { return link != nullptr && link->IsOpen(); }
    const CanSocketLink* Link() const { return link.get(); }

    // A node stays attached until it detaches; it must detach before it is destroyed.
    void Attach(CanNode* node);
    void Detach(CanNode* node);

    // Hands the frame to every node but the sender, here and in the other
    // processes. Returns how many acknowledged it: the nodes here that did
    // and the live peer processes (0: the sender sees no acknowledgement).
    // A slow fault holds the calling thread, as a slow unit would be held.
    int Transmit(const CanNode* sender, const CanFrame_T& frame);

private:
    int DeliverLocally(const CanNode* sender, const CanFrame_T& frame);

    std::string name;
    std::mutex mutex;  // guards nodes and serialises deliveries
    std::vector<CanNode*> nodes;
    std::unique_ptr<CanFrameFault> fault;  // on frames leaving for other processes
    // Declared last so it is destroyed first: its thread delivers into nodes.
    std::unique_ptr<CanSocketLink> link;
};

}  // namespace VN_Sim

#endif
