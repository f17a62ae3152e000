#include "vn_sim/card/analog_card.h"

#include <sys/prctl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

#include "clock.h"
#include "vn_sim/card/card_clock.h"

namespace VN_Sim {

namespace {

enum Offset : unsigned {
    StatusPort = 0,
    ResultPort = 2,
    SpiDataPort = 4,
    SpiSelectPort = 5,
    GpioPort = 6,
    GpioHighPort = 7,
    FrontEndPort = 8,
    Tach01Port = 10,
    Tach23Port = 12,
    BoardVersionPort = 14,
    FpgaVersionPort = 15,
};

const uint8_t StatusResultReady = 0x01;
const uint8_t AbsentByte = 0xFF;
const uint16_t AbsentWord = 0xFFFF;
const int EepromSelect = 3;
// A clock that stands still (a test's frozen clock) must not hang the bus.
const int MaxBusCycleSpins = 1000;
const int64_t MaxConversionSleepUs = 1000;
const unsigned long FineTimerSlackNs = 1000;

// The factory constants: the true reference volts as little-endian floats.
std::vector<uint8_t> FactoryImage(const AnalogCardConfig_T& config) {
    std::vector<uint8_t> image;
    if (!config.factoryConstants) return image;
    for (double volts : config.referenceVolts) {
        float value = static_cast<float>(volts);
        uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof(bits));
        for (int i = 0; i < 4; ++i) image.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    }
    return image;
}

}  // namespace

std::string AnalogCard::DefaultEepromPath(unsigned baseAddress) {
    char name[40];
    std::snprintf(name, sizeof(name), "card_%x_eeprom.bin", baseAddress);
    return name;
}

AnalogCard::AnalogCard(const AnalogCardConfig_T& cardConfig)
    : config(cardConfig),
      faults(cardConfig.baseAddress),
      inputs(config),
      converter(config, inputs, faults, CardMicroseconds()),
      spi(config, faults),
      eeprom(std::make_shared<SpiEeprom>(
          config.eepromPath.empty() ? DefaultEepromPath(config.baseAddress) : config.eepromPath,
          FactoryImage(config), config.eepromWriteUs, faults)),
      fans(config, CardMicroseconds()),
      lastAccessUs(CardMicroseconds()) {
    spi.Attach(EepromSelect, eeprom);
}

int64_t AnalogCard::BusCycle() {
    int64_t now = CardMicroseconds();
    for (int spins = 0; now < lastAccessUs + config.busCycleUs && spins < MaxBusCycleSpins; ++spins) {
        now = CardMicroseconds();
    }
    lastAccessUs = now;
    return now;
}

void AnalogCard::WriteGpio(uint16_t value, int64_t nowUs) {
    gpio = value;
    if (config.fanCard) fans.SetLevel(static_cast<uint8_t>(value & 0xFF), nowUs);
}

void AnalogCard::AwaitConversion() {
    int64_t waitUs = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        // A test's clock may stand still or jump: no real sleep would end
        // the wait on it.
        if (!awaitingConversion || !VN_Lib::MachineMonotonicClock()) return;
        const int64_t now = CardMicroseconds();
        if (spi.Status(now) != 0) return;
        waitUs = std::min(converter.UsUntilReady(now), MaxConversionSleepUs);
    }
    if (waitUs <= 0) return;
    // The default slack of tens of microseconds would cost several conversions.
    thread_local bool fineSlack = false;
    if (!fineSlack) fineSlack = prctl(PR_SET_TIMERSLACK, FineTimerSlackNs) == 0;
    // Outside the lock: another thread may use the card's SPI port meanwhile.
    std::this_thread::sleep_for(std::chrono::microseconds(waitUs));
}

uint8_t AnalogCard::ReadByte(unsigned offset) {
    if (offset == StatusPort) AwaitConversion();
    std::lock_guard<std::mutex> lock(mutex);
    int64_t now = BusCycle();
    switch (offset) {
        case StatusPort:
            return static_cast<uint8_t>((converter.ResultReady(now) ? StatusResultReady : 0) | spi.Status(now));
        case SpiDataPort:
            awaitingConversion = false;
            return spi.Read(now);
        case GpioPort:
            return static_cast<uint8_t>(gpio & 0xFF);
        case GpioHighPort:
            return static_cast<uint8_t>(gpio >> 8);
        case Tach01Port:
        case Tach01Port + 1:
        case Tach23Port:
        case Tach23Port + 1:
            return fans.TachCounts(static_cast<int>(offset - Tach01Port), now);
        case BoardVersionPort:
            return config.boardVersion;
        case FpgaVersionPort:
            return config.fpgaVersion;
        default:
            faults.Report("byte read of a port that cannot be read that way", offset, 0);
            return AbsentByte;
    }
}

uint16_t AnalogCard::ReadWord(unsigned offset) {
    std::lock_guard<std::mutex> lock(mutex);
    int64_t now = BusCycle();
    switch (offset) {
        case ResultPort:
            awaitingConversion = true;
            return converter.ReadResult(now);
        case GpioPort:
            return gpio;
        case Tach01Port:
        case Tach23Port: {
            int first = static_cast<int>(offset - Tach01Port);
            return static_cast<uint16_t>(fans.TachCounts(first, now) | (fans.TachCounts(first + 1, now) << 8));
        }
        default:
            faults.Report("word read of a port that has no word", offset, 0);
            return AbsentWord;
    }
}

void AnalogCard::WriteByte(unsigned offset, uint8_t value) {
    std::lock_guard<std::mutex> lock(mutex);
    int64_t now = BusCycle();
    switch (offset) {
        case SpiDataPort:
            awaitingConversion = false;
            spi.Write(value, now);
            break;
        case SpiSelectPort:
            awaitingConversion = false;
            if (spi.Select(value) != 0) faults.Report("SPI chip select other than 0..5 and 7", offset, value);
            break;
        case GpioPort:
            WriteGpio(static_cast<uint16_t>((gpio & 0xFF00) | value), now);
            break;
        case GpioHighPort:
            gpio = static_cast<uint16_t>((gpio & 0x00FF) | (value << 8));
            break;
        case FrontEndPort:
            awaitingConversion = true;
            converter.SetFrontEnd(value, now);
            break;
        default:
            faults.Report("byte write to a port that cannot be written", offset, value);
            break;
    }
}

void AnalogCard::WriteWord(unsigned offset, uint16_t value) {
    std::lock_guard<std::mutex> lock(mutex);
    int64_t now = BusCycle();
    if (offset == GpioPort) {
        WriteGpio(value, now);
        return;
    }
    faults.Report("word write to a port that has no word", offset, value);
}

int AnalogCard::SetInputSource(int mux, int chan, TimeSource source) {
    std::lock_guard<std::mutex> lock(mutex);
    return inputs.SetInputSource(mux, chan, std::move(source));
}

int AnalogCard::SetColdJunctionSource(int sensor, TimeSource source) {
    std::lock_guard<std::mutex> lock(mutex);
    return inputs.SetColdJunctionSource(sensor, std::move(source));
}

int AnalogCard::AttachSpiDevice(int select, std::shared_ptr<SpiDevice> device) {
    if (select != 0 && select != 1 && select != 4 && select != 5) return 1;
    std::lock_guard<std::mutex> lock(mutex);
    return spi.Attach(select, std::move(device));
}

uint16_t AnalogCard::GpioWord() const {
    std::lock_guard<std::mutex> lock(mutex);
    return gpio;
}

double AnalogCard::FanRpm(int fan) const {
    std::lock_guard<std::mutex> lock(mutex);
    return fans.Rpm(fan, CardMicroseconds());
}

uint8_t AnalogCard::EepromByte(int address) const {
    std::lock_guard<std::mutex> lock(mutex);
    return eeprom->Peek(address);
}

}  // namespace VN_Sim
