#include "vn_sim/can/can_frame.h"

namespace VN_Sim {

namespace {

const uint8_t DatagramVersion = 1;
const size_t DatagramHeader = 6;

// Appends the low `count` bits of value, most significant first.
void AppendBits(std::vector<int>* bits, unsigned value, int count) {
    for (int i = count - 1; i >= 0; --i) bits->push_back((value >> i) & 1);
}

// CRC-15 of the CAN protocol (polynomial 0x4599) over the stuffed region.
unsigned Crc15(const std::vector<int>& bits) {
    unsigned crc = 0;
    for (int bit : bits) {
        int feedback = bit ^ ((crc >> 14) & 1);
        crc = (crc << 1) & 0x7FFF;
        if (feedback) crc ^= 0x4599;
    }
    return crc;
}

}  // namespace

int CanFrameDataLength(const CanFrame_T& frame) { return frame.dlc > 8 ? 8 : frame.dlc; }

int CanFrameBitLength(const CanFrame_T& frame) {
    // Start of frame, identifier, RTR, IDE, r0, DLC, data, CRC: the part
    // that is bit-stuffed.
    std::vector<int> bits;
    AppendBits(&bits, 0, 1);
    AppendBits(&bits, frame.id & 0x7FF, 11);
    AppendBits(&bits, 0, 3);
    AppendBits(&bits, frame.dlc & 0x0F, 4);
    for (int i = 0; i < CanFrameDataLength(frame); ++i) AppendBits(&bits, frame.data[i], 8);
    AppendBits(&bits, Crc15(bits), 15);

    // After five equal bits the transmitter inserts the opposite bit, which
    // itself starts the next run.
    int stuffBits = 0;
    int run = 0;
    int last = -1;
    for (int bit : bits) {
        if (bit == last) {
            ++run;
        } else {
            last = bit;
            run = 1;
        }
        if (run == 5) {
            ++stuffBits;
            last = !bit;
            run = 1;
        }
    }
    // CRC delimiter, ACK slot and delimiter, end of frame, interframe space.
    const int unstuffedTail = 1 + 2 + 7 + 3;
    return static_cast<int>(bits.size()) + stuffBits + unstuffedTail;
}

std::vector<uint8_t> EncodeCanDatagram(const CanFrame_T& frame) {
    const int dataLength = CanFrameDataLength(frame);
    std::vector<uint8_t> bytes(DatagramHeader + static_cast<size_t>(dataLength));
    bytes[0] = 'V';
    bytes[1] = 'C';
    bytes[2] = DatagramVersion;
    bytes[3] = static_cast<uint8_t>((frame.id >> 8) & 0x07);
    bytes[4] = static_cast<uint8_t>(frame.id & 0xFF);
    bytes[5] = static_cast<uint8_t>(frame.dlc & 0x0F);
    for (int i = 0; i < dataLength; ++i) bytes[DatagramHeader + static_cast<size_t>(i)] = frame.data[i];
    return bytes;
}

int DecodeCanDatagram(const uint8_t* bytes, size_t length, CanFrame_T* frame) {
    if (length < DatagramHeader || bytes[0] != 'V' || bytes[1] != 'C' || bytes[2] != DatagramVersion) return 1;
    CanFrame_T decoded;
    unsigned id = (static_cast<unsigned>(bytes[3]) << 8) | bytes[4];
    if (id > 0x7FF || bytes[5] > 0x0F) return 1;
    decoded.id = static_cast<uint16_t>(id);
    decoded.dlc = bytes[5];
    size_t dataLength = static_cast<size_t>(CanFrameDataLength(decoded));
    if (length != DatagramHeader + dataLength) return 1;
    for (size_t i = 0; i < dataLength; ++i) decoded.data[i] = bytes[DatagramHeader + i];
    *frame = decoded;
    return 0;
}

}  // namespace VN_Sim
