#include "vn_sim/serial/serial_line_end.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "c_locale.h"
#include "vn_sim/serial/uart_receiver.h"

namespace VN_Sim {

namespace {

const int BitsPerByte = 10;
const size_t HeaderSize = 4;  // the sender's baud rate, little-endian

}  // namespace

SerialLineEnd::SerialLineEnd(const std::string& folder, int lineBaud) : baud(lineBaud), fault(folder + "/fault") {
    int ends[2];
    if (baud <= 0 || socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return;
    if (pipe2(wakePipe, O_CLOEXEC) != 0) {
        close(ends[0]);
        close(ends[1]);
        return;
    }
    fcntl(ends[0], F_SETFL, O_NONBLOCK);
    fcntl(ends[1], F_SETFL, O_NONBLOCK);
    portFd = ends[0];
    relayFd = ends[1];
    link = std::make_unique<DatagramFolderLink>(folder, "serial line", HeaderSize + MaxChunk,
                                                [this](const uint8_t* data, size_t length) {
                                                    return Receive(data, length);
                                                });
    if (!link->IsOpen()) {
        close(portFd);
        portFd = -1;
        return;
    }
    relay = std::thread(&SerialLineEnd::RelayLoop, this);
}

SerialLineEnd::~SerialLineEnd() {
    if (relay.joinable()) {
        char stop = 1;
        while (write(wakePipe[1], &stop, 1) < 0 && errno == EINTR) {
        }
        relay.join();
    }
    link.reset();
    for (int fd : {portFd, relayFd, wakePipe[0], wakePipe[1]}) {
        if (fd >= 0) close(fd);
    }
}

bool SerialLineEnd::WaitUntil(long long due) {
    struct pollfd wake = {wakePipe[0], POLLIN, 0};
    for (long long now = MachineMonotonicNs(); now < due; now = MachineMonotonicNs()) {
        long long left = due - now;
        struct timespec timeout = {static_cast<time_t>(left / 1000000000LL), static_cast<long>(left % 1000000000LL)};
        if (ppoll(&wake, 1, &timeout, nullptr) > 0) return false;
    }
    return true;
}

void SerialLineEnd::RelayLoop() {
    VN_Lib::UseCLocale();
    // About 10 ms of the line's bytes per datagram, so slow lines still
    // deliver byte by byte and fast ones need few datagrams.
    const size_t chunk = std::clamp<size_t>(static_cast<size_t>(baud) / 1000, 1, MaxChunk);
    std::vector<uint8_t> datagram(HeaderSize + MaxChunk);
    const uint32_t rate = static_cast<uint32_t>(baud);
    for (size_t i = 0; i < HeaderSize; ++i) datagram[i] = static_cast<uint8_t>(rate >> (8 * i));
    long long lineFree = MachineMonotonicNs();
    struct pollfd watched[2] = {{relayFd, POLLIN, 0}, {wakePipe[0], POLLIN, 0}};
    for (;;) {
        if (poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (watched[1].revents != 0) return;
        if (watched[0].revents == 0) continue;
        ssize_t got = read(relayFd, datagram.data() + HeaderSize, chunk);
        if (got == 0) return;  // the port's end is gone
        if (got < 0) continue;
        // The bytes leave once the line has carried them, after what went before.
        lineFree = std::max(lineFree, MachineMonotonicNs()) + got * BitsPerByte * 1000000000LL / baud;
        if (!WaitUntil(lineFree)) return;
        link->Send(datagram.data(), HeaderSize + static_cast<size_t>(got));
    }
}

bool SerialLineEnd::Receive(const uint8_t* data, size_t length) {
    if (length < HeaderSize) return false;
    uint32_t senderBaud = 0;
    for (size_t i = 0; i < HeaderSize; ++i) senderBaud |= static_cast<uint32_t>(data[i]) << (8 * i);
    if (senderBaud == 0 || senderBaud > 4000000) return false;
    int delayMs = 0;
    std::vector<uint8_t> bytes = fault.Apply(
        ReceiveAtRate(data + HeaderSize, length - HeaderSize, static_cast<int>(senderBaud), baud), MachineMonotonicNs(), &delayMs);
    if (delayMs > 0) usleep(static_cast<useconds_t>(delayMs) * 1000);
    // What the port has no room for is lost, as a UART overruns.
    if (!bytes.empty()) send(relayFd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    return true;
}

}  // namespace VN_Sim
