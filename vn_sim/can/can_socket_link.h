#ifndef VN_SIM_CAN_SOCKET_LINK_H
#define VN_SIM_CAN_SOCKET_LINK_H

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "vn_sim/can/can_frame.h"

namespace VN_Sim {

// The part of a CAN wire that spans processes: one datagram socket per wire
// object in a shared folder ("<pid>-<n>.sock"). A frame goes to every other
// socket there without waiting, so a dead or stalled process blocks nobody;
// the socket of a process that has died is removed on the first send to it.
// Frames from other processes reach the handler on the link's own thread.
class CanSocketLink {
public:
    using FrameHandler = std::function<void(const CanFrame_T&)>;

    // Creates the folder if needed and binds this link's socket there. A link
    // that cannot be set up says so on stderr and stays closed.
    CanSocketLink(const std::string& folder, FrameHandler handler);
    ~CanSocketLink();
    CanSocketLink(const CanSocketLink&) = delete;
    CanSocketLink& operator=(const CanSocketLink&) = delete;

    bool IsOpen() const { return socketFd >= 0; }
    const std::string& SocketPath() const { return socketPath; }

    // Sends the frame to every other socket in the folder; returns how many
    // live peers were reached.
    int Send(const CanFrame_T& frame);

    // Datagrams received that were not well-formed frames.
    int RejectedDatagrams() const { return rejectedDatagrams.load(); }
    // Frames a live peer could not take because its queue was full.
    int DroppedFrames() const { return droppedFrames.load(); }

private:
    int Open();
    void ReceiveLoop();

    std::string folder;
    std::string socketPath;
    FrameHandler handler;
    int socketFd = -1;
    int wakePipe[2] = {-1, -1};
    std::thread receiver;
    std::atomic<int> rejectedDatagrams{0};
    std::atomic<int> droppedFrames{0};
};

}  // namespace VN_Sim

#endif
