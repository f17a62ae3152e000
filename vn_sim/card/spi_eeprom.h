#ifndef VN_SIM_CARD_SPI_EEPROM_H
#define VN_SIM_CARD_SPI_EEPROM_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "vn_sim/card/card_faults.h"
#include "vn_sim/spi_device.h"

namespace VN_Sim {

// A 256-byte SPI serial EEPROM with one address byte and 8-byte pages:
// read (0x03), write (0x02), write enable (0x06) and disable (0x04), read
// (0x05) and write (0x01) status. A write programs one page (addresses wrap
// inside it) when the chip select rises, keeps the chip busy for the write
// time and clears the write enable latch. Block protection (status bits 3..2)
// keeps the upper quarter, half or all of the array from being written.
//
// The array and the status byte persist in a file, written through on every
// completed write: 256 data bytes, then the status byte.
//
// Stricter than the part: an unknown instruction, a write without the enable
// latch, an instruction other than read status while a write is in progress,
// and mis-framed instructions are reported as faults (the part ignores them).
class SpiEeprom : public SpiDevice {
public:
    static const int Size = 256;
    static const int PageSize = 8;

    // Loads the file; a missing file gives the initial contents (0xFF where
    // shorter than the array), a file of the wrong size is reported.
    SpiEeprom(const std::string& path, const std::vector<uint8_t>& initial, int64_t writeUs, CardFaults& faults);

    void Select() override;
    void Deselect() override;
    uint8_t Transfer(uint8_t mosi) override;

    // Contents as they are now, for tests.
    uint8_t Peek(int at) const { return data[static_cast<size_t>(at & 0xFF)]; }

private:
    bool Busy() const;
    uint8_t StatusByte() const;
    bool Protected(int address) const;
    void Commit();
    void Save();

    std::string path;
    int64_t writeUs;
    CardFaults& faults;
    std::array<uint8_t, Size> data;
    uint8_t protection = 0;  // status bits 7 and 3..2, non-volatile
    bool writeEnabled = false;
    int64_t busyUntilUs = 0;

    // The instruction under way while selected.
    bool selected = false;
    int byteCount = 0;
    uint8_t instruction = 0;
    bool ignored = false;
    uint8_t address = 0;
    std::vector<uint8_t> pending;  // bytes of a page write
};

}  // namespace VN_Sim

#endif
