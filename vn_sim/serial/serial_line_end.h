#ifndef VN_SIM_SERIAL_SERIAL_LINE_END_H
#define VN_SIM_SERIAL_SERIAL_LINE_END_H

#include <memory>
#include <string>
#include <thread>

#include "vn_sim/link/datagram_folder_link.h"
#include "vn_sim/link/link_fault.h"

namespace VN_Sim {

// A COM port wired to a serial line shared through a folder. The port's
// descriptor is one end of a socket pair; the relay thread takes what the
// port writes from the other end and sends it to the line no faster than the
// baud rate carries it (10 bits a byte), and the link's thread writes what
// the line brings into the pair. Each datagram carries its sender's rate: a
// port at another rate receives the bytes as its UART would (garbled). Bytes
// nobody takes (no peer, or a peer not reading) are lost, as on a cable. A
// fault file in the folder breaks the line on purpose (LinkFault).
class SerialLineEnd {
public:
    static constexpr size_t MaxChunk = 256;  // payload bytes in one datagram

    SerialLineEnd(const std::string& folder, int baud);
    // Stops the relay and removes this end's socket.
    ~SerialLineEnd();
    SerialLineEnd(const SerialLineEnd&) = delete;
    SerialLineEnd& operator=(const SerialLineEnd&) = delete;

    // The port's side of the pair (non-blocking), or -1 when the line could
    // not be set up.
    int PortDescriptor() const { return portFd; }

private:
    void RelayLoop();
    // Waits until the monotonic time due (nanoseconds); false when stopped meanwhile.
    bool WaitUntil(long long due);
    // A datagram from another end; false when it is not of this format.
    bool Receive(const uint8_t* data, size_t length);

    int baud;
    // Read by the link's thread only.
    LinkFault fault;
    int portFd = -1;
    int relayFd = -1;
    int wakePipe[2] = {-1, -1};
    std::thread relay;
    // Made after the pair: its thread writes into relayFd.
    std::unique_ptr<DatagramFolderLink> link;
};

}  // namespace VN_Sim

#endif
