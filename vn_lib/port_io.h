#ifndef VN_LIB_PORT_IO_H
#define VN_LIB_PORT_IO_H

// Seam: x86 I/O port access. The station build uses ioperm and the in/out
// instructions; the sim build reaches the simulated port space (vn_sim/).

namespace VN_Lib {

// Asks for access to count ports from base; 0 on success (ioperm's result).
int init_io_port(unsigned long base, unsigned long count);
// One byte from the port, 0..255.
int _inp(int port);
// One 16-bit word from the port.
int _inpw(int port);
void _outp(int port, char value);
// Writes the low 16 bits.
void _outpw(int port, int value);

}  // namespace VN_Lib

#endif
