#include "led.h"

#include "port_io.h"

namespace VN_Lib {

Led::Led() : ioAddress(0), mask(0) {}

Led::Led(int ioAddressIn, int bit) : ioAddress(ioAddressIn), mask(bit >= 0 && bit <= 7 ? 1 << bit : 0) {
    init_io_port(static_cast<unsigned long>(ioAddress), 2);
}

void Led::WriteBits(int value) { _outp(ioAddress + 1, static_cast<char>(value & 0xFF)); }

void Led::Set() {
    if (mask == 0) return;
    WriteBits(_inp(ioAddress) & ~mask);
}

void Led::Clear() {
    if (mask == 0) return;
    WriteBits(_inp(ioAddress) | mask);
}

void Led::Toggle() {
    if (mask == 0) return;
    WriteBits(_inp(ioAddress) ^ mask);
}

int Led::IsOn() {
    if (mask == 0) return 0;
    return (_inp(ioAddress) & mask) == 0 ? 1 : 0;
}

}  // namespace VN_Lib
