#ifndef VN_SIM_SERIAL_UART_RECEIVER_H
#define VN_SIM_SERIAL_UART_RECEIVER_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace VN_Sim {

// What a UART at receiverBaud makes of bytes sent back to back at senderBaud
// (8 data bits, no parity, one stop bit, idle before and after). Equal rates
// give the bytes unchanged. Otherwise the receiver samples the sender's bits
// in the middle of its own bit times: it starts at each falling edge, takes
// eight data bits and drops a byte whose stop bit is low (a framing error,
// ignored as the ports are set up), so the bytes come out changed, fewer or
// more, and the same every time.
std::vector<uint8_t> ReceiveAtRate(const uint8_t* bytes, size_t count, int senderBaud, int receiverBaud);

}  // namespace VN_Sim

#endif
