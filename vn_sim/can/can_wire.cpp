#include "vn_sim/can/can_wire.h"

#include <algorithm>
#include <cstdio>

namespace VN_Sim {

CanWire::CanWire(const std::string& busName, const std::string& linkFolder) : name(busName) {
    // The name becomes a folder: it must not lead anywhere else.
    bool safeName = !busName.empty() && busName != "." && busName != ".." && busName.find('/') == std::string::npos;
    if (!linkFolder.empty() && !safeName) {
        std::fprintf(stderr, "can wire: bus name \"%s\" cannot name a folder; frames stay in this process\n",
                     busName.c_str());
    } else if (!linkFolder.empty()) {
        link = std::make_unique<CanSocketLink>(linkFolder + "/" + busName,
                                               [this](const CanFrame_T& frame) { DeliverLocally(nullptr, frame); });
    }
}

void CanWire::Attach(CanNode* node) {
    std::lock_guard<std::mutex> lock(mutex);
    if (std::find(nodes.begin(), nodes.end(), node) == nodes.end()) nodes.push_back(node);
}

void CanWire::Detach(CanNode* node) {
    std::lock_guard<std::mutex> lock(mutex);
    nodes.erase(std::remove(nodes.begin(), nodes.end(), node), nodes.end());
}

int CanWire::Transmit(const CanNode* sender, const CanFrame_T& frame) {
    int reached = DeliverLocally(sender, frame);
    if (link != nullptr) reached += link->Send(frame);
    return reached;
}

int CanWire::DeliverLocally(const CanNode* sender, const CanFrame_T& frame) {
    std::lock_guard<std::mutex> lock(mutex);
    int reached = 0;
    for (CanNode* node : nodes) {
        if (node == sender) continue;
        if (node->ReceiveFrame(frame)) ++reached;
    }
    return reached;
}

}  // namespace VN_Sim
