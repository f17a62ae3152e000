#ifndef VN_SIM_CAN_FRAME_H
#define VN_SIM_CAN_FRAME_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace VN_Sim {

// One standard-identifier data frame as it travels on a simulated CAN wire.
struct CanFrame_T {
    uint16_t id = 0;  // 11-bit identifier
    uint8_t dlc = 0;  // 0..15 as transmitted; at most 8 data bytes follow
    uint8_t data[8] = {};
};

// Data bytes the frame carries: the DLC, but never more than 8.
int CanFrameDataLength(const CanFrame_T& frame);

// Bits the frame occupies on the bus: start of frame to the end of the
// interframe space, with the stuff bits its contents actually need.
int CanFrameBitLength(const CanFrame_T& frame);

// The datagram that carries a frame between processes (fixed layout:
// 'V' 'C' version, identifier big-endian, DLC, the data bytes).
std::vector<uint8_t> EncodeCanDatagram(const CanFrame_T& frame);
// 0 and the frame, or 1 when the bytes are not a well-formed datagram.
int DecodeCanDatagram(const uint8_t* bytes, size_t length, CanFrame_T* frame);

}  // namespace VN_Sim

#endif
