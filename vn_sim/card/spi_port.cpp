#include "vn_sim/card/spi_port.h"

#include <cmath>
#include <utility>

namespace VN_Sim {

namespace {

const uint8_t FloatingLine = 0xFF;
const uint8_t ReadFiller = 0x00;
const size_t MaxInFlight = 2;

}  // namespace

SpiPort::SpiPort(const AnalogCardConfig_T& config, CardFaults& cardFaults)
    : faults(cardFaults), byteUs(static_cast<int64_t>(std::ceil(8e6 / config.spiClockHz))) {
    if (byteUs < 1) byteUs = 1;
}

int SpiPort::Attach(int select, std::shared_ptr<SpiDevice> device) {
    if (select < 0 || select >= SelectCount) return 1;
    devices[select] = std::move(device);
    return 0;
}

int SpiPort::Select(uint8_t value) {
    if (value >= SelectCount && value != NoSelect) return 1;
    if (value == selected) return 0;
    if (selected != NoSelect && devices[selected]) devices[selected]->Deselect();
    selected = value;
    if (selected != NoSelect && devices[selected]) devices[selected]->Select();
    return 0;
}

void SpiPort::Advance(int64_t nowUs) {
    while (!inFlight.empty() && inFlight.front().doneUs <= nowUs) {
        received = inFlight.front().miso;
        receivedFlag = true;
        inFlight.pop_front();
    }
}

void SpiPort::Exchange(uint8_t mosi, int64_t nowUs) {
    if (inFlight.size() >= MaxInFlight) {
        faults.Report("SPI byte overrun: written while two bytes were still being shifted", 4, mosi);
        return;
    }
    int64_t startUs = inFlight.empty() ? nowUs : inFlight.back().doneUs;
    bool attached = selected != NoSelect && devices[selected];
    uint8_t miso = attached ? devices[selected]->Transfer(mosi) : FloatingLine;
    inFlight.push_back(Exchange_T{startUs + byteUs, miso});
}

void SpiPort::Write(uint8_t value, int64_t nowUs) {
    Advance(nowUs);
    Exchange(value, nowUs);
}

uint8_t SpiPort::Read(int64_t nowUs) {
    Advance(nowUs);
    uint8_t value = received;
    receivedFlag = false;
    Exchange(ReadFiller, nowUs);
    return value;
}

uint8_t SpiPort::Status(int64_t nowUs) {
    Advance(nowUs);
    return static_cast<uint8_t>((receivedFlag ? StatusReceived : 0) | (inFlight.empty() ? 0 : StatusBusy));
}

}  // namespace VN_Sim
