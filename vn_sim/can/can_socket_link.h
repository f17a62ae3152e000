#ifndef VN_SIM_CAN_SOCKET_LINK_H
#define VN_SIM_CAN_SOCKET_LINK_H

#include <functional>
#include <string>

#include "vn_sim/can/can_frame.h"
#include "vn_sim/link/datagram_folder_link.h"

namespace VN_Sim {

// The part of a CAN wire that spans processes: a datagram folder link
// carrying one frame per datagram. Frames from other processes reach the
// handler on the link's own thread.
class CanSocketLink {
public:
    using FrameHandler = std::function<void(const CanFrame_T&)>;

    // A link that cannot be set up says so on stderr and stays closed.
    CanSocketLink(const std::string& folder, FrameHandler handler);

    bool IsOpen() const { return link.IsOpen(); }
    const std::string& SocketPath() const { return link.SocketPath(); }

    // Sends the frame to every other socket in the folder; returns how many
    // live peers were reached.
    int Send(const CanFrame_T& frame);

    // Datagrams received that were not well-formed frames.
    int RejectedDatagrams() const { return link.RejectedDatagrams(); }
    // Frames a live peer could not take because its queue was full.
    int DroppedFrames() const { return link.DroppedDatagrams(); }

private:
    FrameHandler handler;
    // Declared last: its thread calls handler.
    DatagramFolderLink link;
};

}  // namespace VN_Sim

#endif
