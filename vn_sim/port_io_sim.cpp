#include "port_io.h"

#include "vn_sim/port_space.h"

namespace VN_Lib {

// Every port is reachable in the simulation; absent devices answer as on the bus.
int init_io_port(unsigned long base, unsigned long count) { return 0; }

int _inp(int port) { return VN_Sim::PortSpace::Instance().Read(port); }

int _inpw(int port) { return VN_Sim::PortSpace::Instance().ReadWord(port); }

void _outp(int port, char value) { VN_Sim::PortSpace::Instance().Write(port, static_cast<uint8_t>(value)); }

void _outpw(int port, int value) {
    VN_Sim::PortSpace::Instance().WriteWord(port, static_cast<uint16_t>(value & 0xFFFF));
}

}  // namespace VN_Lib
