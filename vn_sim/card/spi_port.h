#ifndef VN_SIM_CARD_SPI_PORT_H
#define VN_SIM_CARD_SPI_PORT_H

#include <cstdint>
#include <deque>
#include <memory>

#include "vn_sim/card/analog_card_config.h"
#include "vn_sim/card/card_faults.h"
#include "vn_sim/spi_device.h"

namespace VN_Sim {

// The card's SPI master: six chip selects, one data register and the busy and
// received status bits. Every byte written to the data register, and every
// read of it (which sends 0x00), clocks one byte out to the selected device
// and one byte in; the byte in becomes readable, and the received bit set,
// when its eight bit times have passed. With nothing selected, or nothing on
// the select, the line floats high and 0xFF comes in.
//
// One byte may wait behind the one being shifted; a third is an overrun.
class SpiPort {
public:
    static const int SelectCount = 6;
    static const uint8_t NoSelect = 7;
    static const uint8_t StatusReceived = 0x02;
    static const uint8_t StatusBusy = 0x04;

    SpiPort(const AnalogCardConfig_T& config, CardFaults& faults);

    // 0, or 1 for a select outside 0..5.
    int Attach(int select, std::shared_ptr<SpiDevice> device);

    // 0, or 1 for a value other than 0..5 and 7 (nothing changes then).
    int Select(uint8_t value);
    void Write(uint8_t value, int64_t nowUs);
    uint8_t Read(int64_t nowUs);
    uint8_t Status(int64_t nowUs);

private:
    struct Exchange_T {
        int64_t doneUs;
        uint8_t miso;
    };

    // Completes the exchanges whose time has come.
    void Advance(int64_t nowUs);
    void Exchange(uint8_t mosi, int64_t nowUs);

    CardFaults& faults;
    int64_t byteUs;
    std::shared_ptr<SpiDevice> devices[SelectCount];
    uint8_t selected = NoSelect;
    std::deque<Exchange_T> inFlight;
    uint8_t received = 0xFF;
    bool receivedFlag = false;
};

}  // namespace VN_Sim

#endif
