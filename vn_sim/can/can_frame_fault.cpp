#include "vn_sim/can/can_frame_fault.h"

#include <algorithm>
#include <vector>

namespace VN_Sim {

CanFrameFault::CanFrameFault(const std::string& faultFile) : fault(faultFile) {}

bool CanFrameFault::Apply(CanFrame_T* frame, long long nowNs, int* delayMs) {
    *delayMs = 0;
    std::lock_guard<std::mutex> lock(mutex);
    const LinkFault_T now = fault.Read();
    if (now.kind == LinkFault_T::None) return true;
    if (now.kind == LinkFault_T::Mute) return false;
    const int length = CanFrameDataLength(*frame);
    if (length == 0) return true;
    const std::vector<uint8_t> bytes =
        fault.Apply(now, std::vector<uint8_t>(frame->data, frame->data + length), nowNs, delayMs);
    if (bytes.empty()) return false;
    std::copy(bytes.begin(), bytes.end(), frame->data);
    if (bytes.size() != static_cast<size_t>(length)) frame->dlc = static_cast<uint8_t>(bytes.size());
    return true;
}

}  // namespace VN_Sim
