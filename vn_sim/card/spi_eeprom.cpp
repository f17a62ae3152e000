#include "vn_sim/card/spi_eeprom.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "vn_sim/card/card_clock.h"

namespace VN_Sim {

namespace {

const uint8_t InstrWriteStatus = 0x01;
const uint8_t InstrWrite = 0x02;
const uint8_t InstrRead = 0x03;
const uint8_t InstrWriteDisable = 0x04;
const uint8_t InstrReadStatus = 0x05;
const uint8_t InstrWriteEnable = 0x06;

const uint8_t StatusBusy = 0x01;
const uint8_t StatusWriteEnabled = 0x02;
const uint8_t StatusProtectionBits = 0x8C;
const uint8_t FloatingLine = 0xFF;

}  // namespace

SpiEeprom::SpiEeprom(const std::string& filePath, const std::vector<uint8_t>& initial, int64_t writeTimeUs,
                     CardFaults& cardFaults)
    : path(filePath), writeUs(writeTimeUs), faults(cardFaults) {
    data.fill(0xFF);
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        for (size_t i = 0; i < initial.size() && i < data.size(); ++i) data[i] = initial[i];
        return;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.size() != Size + 1) {
        faults.Report("EEPROM file " + path + " has " + std::to_string(bytes.size()) + " bytes, not " +
                      std::to_string(Size + 1) + "; starting blank");
        return;
    }
    std::copy(bytes.begin(), bytes.begin() + Size, data.begin());
    protection = bytes[Size] & StatusProtectionBits;
}

bool SpiEeprom::Busy() const { return CardMicroseconds() < busyUntilUs; }

uint8_t SpiEeprom::StatusByte() const {
    return static_cast<uint8_t>(protection | (writeEnabled ? StatusWriteEnabled : 0) | (Busy() ? StatusBusy : 0));
}

bool SpiEeprom::Protected(int at) const {
    switch ((protection >> 2) & 3) {
        case 1: return at >= Size * 3 / 4;
        case 2: return at >= Size / 2;
        case 3: return true;
        default: return false;
    }
}

void SpiEeprom::Select() {
    selected = true;
    byteCount = 0;
    ignored = false;
    pending.clear();
}

uint8_t SpiEeprom::Transfer(uint8_t mosi) {
    if (!selected) return FloatingLine;
    int index = byteCount++;
    if (index == 0) {
        instruction = mosi;
        bool known = mosi == InstrWriteStatus || mosi == InstrWrite || mosi == InstrRead ||
                     mosi == InstrWriteDisable || mosi == InstrReadStatus || mosi == InstrWriteEnable;
        if (!known) {
            faults.Report("EEPROM: unknown instruction", 4, mosi);
            ignored = true;
        } else if (Busy() && mosi != InstrReadStatus && mosi != InstrWriteDisable) {
            // Disabling writes during the write cycle is harmless and the
            // write sequence ends with it; anything else was not waited for.
            faults.Report("EEPROM: instruction while a write is in progress", 4, mosi);
            ignored = true;
        }
        return FloatingLine;
    }
    if (ignored) return FloatingLine;
    switch (instruction) {
        case InstrReadStatus:
            return StatusByte();
        case InstrRead:
            if (index == 1) {
                address = mosi;
                return FloatingLine;
            }
            return data[address++];
        case InstrWrite:
            if (index == 1) {
                address = mosi;
            } else if (static_cast<int>(pending.size()) < PageSize) {
                pending.push_back(mosi);
            } else {
                faults.Report("EEPROM: more than one page of data in a write", 4, mosi);
            }
            return FloatingLine;
        case InstrWriteStatus:
            if (index == 1) pending.assign(1, mosi);
            return FloatingLine;
        default:
            faults.Report("EEPROM: data bytes after an instruction that takes none", 4, mosi);
            ignored = true;
            return FloatingLine;
    }
}

void SpiEeprom::Deselect() {
    if (!selected) return;
    selected = false;
    if (ignored || byteCount == 0) return;
    switch (instruction) {
        case InstrWriteEnable:
            writeEnabled = true;
            break;
        case InstrWriteDisable:
            if (!Busy()) writeEnabled = false;
            break;
        case InstrWrite:
        case InstrWriteStatus:
            Commit();
            break;
        default:
            break;
    }
}

void SpiEeprom::Commit() {
    if (pending.empty()) {
        faults.Report("EEPROM: write ended before its data", 4, instruction);
        return;
    }
    if (!writeEnabled) {
        faults.Report("EEPROM: write without write enable", 4, instruction);
        return;
    }
    if (instruction == InstrWriteStatus) {
        protection = pending[0] & StatusProtectionBits;
    } else {
        int page = address & ~(PageSize - 1);
        int offset = address & (PageSize - 1);
        for (uint8_t byte : pending) {
            int at = page + offset;
            if (!Protected(at)) data[static_cast<size_t>(at)] = byte;
            offset = (offset + 1) % PageSize;
        }
    }
    writeEnabled = false;
    busyUntilUs = CardMicroseconds() + writeUs;
    Save();
}

void SpiEeprom::Save() {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data.data()), Size);
    file.put(static_cast<char>(protection));
    if (!file.flush()) faults.Report("EEPROM: cannot write the file " + path);
}

}  // namespace VN_Sim
