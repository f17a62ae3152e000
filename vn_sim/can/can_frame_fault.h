#ifndef VN_SIM_CAN_CAN_FRAME_FAULT_H
#define VN_SIM_CAN_CAN_FRAME_FAULT_H

#include <mutex>
#include <string>

#include "vn_sim/can/can_frame.h"
#include "vn_sim/link/link_fault.h"

namespace VN_Sim {

// A fault file's fault on the frames one program sends to the others on a
// bus: a unit that falls silent, answers garbage, breaks off mid-message or
// answers too late. The data bytes of the frames are what the fault acts on
// (a reply's frames after a pause of 50 ms are one burst): mute drops every
// frame, garbage changes every data byte, cut lets a burst's first 8 data
// bytes through and drops the rest, slow holds a burst's first frame back.
// Frames without data (the link's acknowledgements) pass unless muted.
// Safe to call from several threads.
class CanFrameFault {
public:
    explicit CanFrameFault(const std::string& faultFile);

    // Whether the frame, changed as the fault says, still goes out; in
    // delayMs how long to hold it first.
    bool Apply(CanFrame_T* frame, long long nowNs, int* delayMs);

private:
    std::mutex mutex;
    LinkFault fault;
};

}  // namespace VN_Sim

#endif
