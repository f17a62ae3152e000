#ifndef VN_SIM_SPI_DEVICE_H
#define VN_SIM_SPI_DEVICE_H

#include <cstdint>

namespace VN_Sim {

// A device on an analog card's SPI port, reached through one chip select.
// SPI is full duplex: every byte shifted out shifts one byte in.
class SpiDevice {
public:
    virtual ~SpiDevice() = default;
    // Chip select asserted: a new instruction begins.
    virtual void Select() = 0;
    // Chip select released: the instruction ends.
    virtual void Deselect() = 0;
    // Exchanges one byte while selected; returns the byte the device shifts out.
    virtual uint8_t Transfer(uint8_t mosi) = 0;
};

}  // namespace VN_Sim

#endif
