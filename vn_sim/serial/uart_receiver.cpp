#include "vn_sim/serial/uart_receiver.h"

#include <cmath>

namespace VN_Sim {

namespace {

const int BitsPerByte = 10;  // start, 8 data, stop

// The line's level during the sender's bit number bit: start bits low, data
// least significant bit first, stop bits and the idle line high.
int LevelAt(const uint8_t* bytes, size_t count, long bit) {
    if (bit < 0 || static_cast<size_t>(bit / BitsPerByte) >= count) return 1;
    int position = static_cast<int>(bit % BitsPerByte);
    if (position == 0) return 0;
    if (position == BitsPerByte - 1) return 1;
    return (bytes[bit / BitsPerByte] >> (position - 1)) & 1;
}

}  // namespace

std::vector<uint8_t> ReceiveAtRate(const uint8_t* bytes, size_t count, int senderBaud, int receiverBaud) {
    if (senderBaud == receiverBaud || senderBaud <= 0 || receiverBaud <= 0)
        return std::vector<uint8_t>(bytes, bytes + count);
    std::vector<uint8_t> received;
    // Times in the sender's bit times; one receiver bit lasts ratio of them.
    const double ratio = static_cast<double>(senderBaud) / receiverBaud;
    const long lastBit = static_cast<long>(count) * BitsPerByte;
    auto sample = [&](double time) { return LevelAt(bytes, count, static_cast<long>(std::floor(time))); };
    double time = 0.0;
    for (;;) {
        // The next falling edge: the level changes only where a sender's bit begins.
        long edge = static_cast<long>(std::ceil(time));
        while (edge < lastBit && !(LevelAt(bytes, count, edge - 1) == 1 && LevelAt(bytes, count, edge) == 0)) ++edge;
        if (edge >= lastBit) break;
        const double start = static_cast<double>(edge);
        if (sample(start + 0.5 * ratio) != 0) {
            // A glitch, not a start bit: look for the next edge.
            time = start + 0.5 * ratio;
            continue;
        }
        int value = 0;
        for (int bit = 0; bit < 8; ++bit) value |= sample(start + (bit + 1.5) * ratio) << bit;
        if (sample(start + 9.5 * ratio) == 1) received.push_back(static_cast<uint8_t>(value));
        time = start + 9.5 * ratio;
    }
    return received;
}

}  // namespace VN_Sim
