#include <sys/io.h>

#include "port_io.h"

namespace VN_Lib {

int init_io_port(unsigned long base, unsigned long count) { return ioperm(base, count, 1); }

int _inp(int port) { return inb(static_cast<unsigned short>(port)); }

int _inpw(int port) { return inw(static_cast<unsigned short>(port)); }

void _outp(int port, char value) { outb(static_cast<unsigned char>(value), static_cast<unsigned short>(port)); }

void _outpw(int port, int value) {
    outw(static_cast<unsigned short>(value & 0xFFFF), static_cast<unsigned short>(port));
}

}  // namespace VN_Lib
