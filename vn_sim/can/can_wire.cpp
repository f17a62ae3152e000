#include "vn_sim/can/can_wire.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace VN_Sim {

CanWire::CanWire(const std::string& busName, const std::string& linkFolder, const std::string& faultFile)
    : name(busName) {
    // The name becomes a folder: it must not lead anywhere else.
    bool safeName = !busName.empty() && busName != "." && busName != ".." && busName.find('/') == std::string::npos;
    if (!linkFolder.empty() && !safeName) {
        std::fprintf(stderr, "can wire: bus name \"%s\" cannot name a folder; frames stay in this process\n",
                     busName.c_str());
    } else if (!linkFolder.empty()) {
        link = std::make_unique<CanSocketLink>(linkFolder + "/" + busName,
                                               [this](const CanFrame_T& frame) { DeliverLocally(nullptr, frame); });
        if (!faultFile.empty()) fault = std::make_unique<CanFrameFault>(faultFile);
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
    const int reached = DeliverLocally(sender, frame);
    if (link == nullptr) return reached;
    CanFrame_T leaving = frame;
    int delayMs = 0;
    if (fault != nullptr && !fault->Apply(&leaving, MachineMonotonicNs(), &delayMs)) return reached;
    if (delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    return reached + link->Send(leaving);
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
