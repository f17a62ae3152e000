#ifndef VN_SIM_CARD_ANALOG_CARD_H
#define VN_SIM_CARD_ANALOG_CARD_H

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "vn_sim/card/analog_card_config.h"
#include "vn_sim/card/card_faults.h"
#include "vn_sim/card/card_inputs.h"
#include "vn_sim/card/converter.h"
#include "vn_sim/card/fan_drive.h"
#include "vn_sim/card/spi_eeprom.h"
#include "vn_sim/card/spi_port.h"
#include "vn_sim/port_space.h"

namespace VN_Sim {

// One analog I/O card as its 16 ports show it; map it with
// PortSpace::Instance().Map(base, AnalogCard::PortCount, card).
//
//  0 r  status: bit 0 result ready, bit 1 SPI byte received, bit 2 SPI busy
//  2 rw16 conversion result (word reads only)
//  4 rw SPI data           5 w SPI chip select 0..5, 7 = none
//  6 rw GPIO word / low byte (the fan level on the fan card)
//  7 rw GPIO high byte     8 w front end (gain, mux, chan)
// 10 r  tachometers 0 and 1, 12 r tachometers 2 and 3 (bytes or words)
// 14 r  board version     15 r FPGA version
//
// Anything else (a read of a write-only port, a write of a read-only one, an
// unused offset, a word access where the card has none, a chip select other
// than 0..5 and 7) is a fault: reported on stderr and counted, and a read
// gives 0xFF as from an absent device. Accesses are at least one bus cycle
// apart, as on the station's bus, which paces the drivers' polling loops.
class AnalogCard : public PortDevice {
public:
    static const unsigned PortCount = 16;

    explicit AnalogCard(const AnalogCardConfig_T& config);

    uint8_t ReadByte(unsigned offset) override;
    void WriteByte(unsigned offset, uint8_t value) override;
    uint16_t ReadWord(unsigned offset) override;
    void WriteWord(unsigned offset, uint16_t value) override;

    // See CardInputs: 0, or 1 for a built-in or nonexistent input.
    int SetInputSource(int mux, int chan, TimeSource source);
    int SetColdJunctionSource(int sensor, TimeSource source);
    // A CAN controller chip on select 0, 1, 4 or 5; 0, or 1 for any other select.
    int AttachSpiDevice(int select, std::shared_ptr<SpiDevice> device);

    int FaultCount() const { return faults.Count(); }
    // Ground truth for tests: the latched GPIO word, the fans' speed, the EEPROM.
    uint16_t GpioWord() const;
    double FanRpm(int fan) const;
    uint8_t EepromByte(int address) const;

    // "card_<base in hex>_eeprom.bin".
    static std::string DefaultEepromPath(unsigned baseAddress);

private:
    // Waits out the bus cycle since the last access; the time of this one.
    int64_t BusCycle();
    // A driver polling the ready bit would hold a whole processor of the
    // machine running the simulation: a status read while it waits for a
    // conversion sleeps until the conversion completes (at most 1 ms), when
    // the card runs on the machine's own clock.
    void AwaitConversion();
    void WriteGpio(uint16_t value, int64_t nowUs);

    mutable std::mutex mutex;
    AnalogCardConfig_T config;
    CardFaults faults;
    CardInputs inputs;
    Converter converter;
    SpiPort spi;
    std::shared_ptr<SpiEeprom> eeprom;
    FanDrive fans;
    uint16_t gpio = 0;
    int64_t lastAccessUs;
    // Since a result read or a front-end switch, until the next SPI access:
    // a status read then polls for a conversion, not for the SPI port.
    bool awaitingConversion = false;
};

}  // namespace VN_Sim

#endif
