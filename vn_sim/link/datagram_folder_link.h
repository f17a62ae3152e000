#ifndef VN_SIM_LINK_DATAGRAM_FOLDER_LINK_H
#define VN_SIM_LINK_DATAGRAM_FOLDER_LINK_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace VN_Sim {

// A wire between processes made of a shared folder: one datagram socket per
// attached end ("<pid>-<n>.sock"). A datagram goes to every other socket
// there without waiting, so a dead or stalled process blocks nobody; the
// socket of a process that has died is removed on the first send to it.
// Datagrams from other ends reach the handler on the link's own thread.
// The CAN wire and the serial lines each put their own format on it.
class DatagramFolderLink {
public:
    // False when the datagram is not of the user's format: it is counted and
    // reported as rejected.
    using DatagramHandler = std::function<bool(const uint8_t* data, size_t length)>;

    // Creates the folder if needed and binds this end's socket there. label
    // names the link in messages ("can link"). A link that cannot be set up
    // says so on stderr and stays closed.
    DatagramFolderLink(const std::string& folder, const std::string& label, size_t maxDatagram,
                       DatagramHandler handler);
    ~DatagramFolderLink();
    DatagramFolderLink(const DatagramFolderLink&) = delete;
    DatagramFolderLink& operator=(const DatagramFolderLink&) = delete;

    bool IsOpen() const { return socketFd >= 0; }
    const std::string& SocketPath() const { return socketPath; }

    // Sends the datagram to every other socket in the folder; returns how
    // many live peers were reached.
    int Send(const uint8_t* data, size_t length);

    // Datagrams received that were too long or that the handler refused.
    int RejectedDatagrams() const { return rejectedDatagrams.load(); }
    // Datagrams a live peer could not take because its queue was full.
    int DroppedDatagrams() const { return droppedDatagrams.load(); }

private:
    int Open();
    void ReceiveLoop();

    std::string folder;
    std::string label;
    std::string socketPath;
    size_t maxDatagram;
    DatagramHandler handler;
    int socketFd = -1;
    int wakePipe[2] = {-1, -1};
    std::thread receiver;
    std::atomic<int> rejectedDatagrams{0};
    std::atomic<int> droppedDatagrams{0};
};

}  // namespace VN_Sim

#endif
