#include "vn_sim/can/can_socket_link.h"

#include <vector>

namespace VN_Sim {

namespace {

// Longer than any encoded frame; a longer datagram is not one.
const size_t MaxCanDatagram = 64;

}  // namespace

CanSocketLink::CanSocketLink(const std::string& folder, FrameHandler frameHandler)
    : handler(std::move(frameHandler)),
      link(folder, "can link", MaxCanDatagram, [this](const uint8_t* data, size_t length) {
          CanFrame_T frame;
          if (DecodeCanDatagram(data, length, &frame) != 0) return false;
          handler(frame);
          return true;
      }) {}

int CanSocketLink::Send(const CanFrame_T& frame) {
    const std::vector<uint8_t> datagram = EncodeCanDatagram(frame);
    return link.Send(datagram.data(), datagram.size());
}

}  // namespace VN_Sim
