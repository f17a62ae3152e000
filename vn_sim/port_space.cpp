#include "vn_sim/port_space.h"

#include <iterator>

namespace VN_Sim {

namespace {

// The x86 I/O space: 64 K byte ports.
const unsigned PortSpaceSize = 0x10000;
const uint8_t AbsentByte = 0xFF;

}  // namespace

uint16_t PortDevice::ReadWord(unsigned offset) {
    uint16_t low = ReadByte(offset);
    uint16_t high = ReadByte(offset + 1);
    return static_cast<uint16_t>(low | (high << 8));
}

void PortDevice::WriteWord(unsigned offset, uint16_t value) {
    WriteByte(offset, static_cast<uint8_t>(value & 0xFF));
    WriteByte(offset + 1, static_cast<uint8_t>(value >> 8));
}

PortSpace& PortSpace::Instance() {
    static PortSpace space;
    return space;
}

int PortSpace::Map(unsigned base, unsigned count, std::shared_ptr<PortDevice> device) {
    if (!device || count == 0 || base >= PortSpaceSize || count > PortSpaceSize - base) return 1;
    std::lock_guard<std::recursive_mutex> lock(mutex);
    auto next = blocks.lower_bound(base);
    if (next != blocks.end() && next->first < base + count) return 1;
    if (next != blocks.begin()) {
        auto previous = std::prev(next);
        if (previous->first + previous->second.count > base) return 1;
    }
    blocks[base] = Block{count, std::move(device)};
    return 0;
}

void PortSpace::UnmapAll() {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    blocks.clear();
}

PortSpace::Block* PortSpace::Find(int port, unsigned* offset) {
    if (port < 0 || static_cast<unsigned>(port) >= PortSpaceSize || blocks.empty()) return nullptr;
    unsigned address = static_cast<unsigned>(port);
    auto after = blocks.upper_bound(address);
    if (after == blocks.begin()) return nullptr;
    auto block = std::prev(after);
    if (address - block->first >= block->second.count) return nullptr;
    *offset = address - block->first;
    return &block->second;
}

int PortSpace::Read(int port) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    unsigned offset = 0;
    Block* block = Find(port, &offset);
    if (block == nullptr) return AbsentByte;
    return block->device->ReadByte(offset);
}

int PortSpace::ReadWord(int port) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    unsigned offset = 0;
    Block* block = Find(port, &offset);
    if (block != nullptr && offset + 1 < block->count) return block->device->ReadWord(offset);
    // A word access straddling a block edge is two byte cycles on the bus.
    return Read(port) | (Read(port + 1) << 8);
}

void PortSpace::Write(int port, uint8_t value) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    unsigned offset = 0;
    Block* block = Find(port, &offset);
    if (block != nullptr) block->device->WriteByte(offset, value);
}

void PortSpace::WriteWord(int port, uint16_t value) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    unsigned offset = 0;
    Block* block = Find(port, &offset);
    if (block != nullptr && offset + 1 < block->count) {
        block->device->WriteWord(offset, value);
        return;
    }
    Write(port, static_cast<uint8_t>(value & 0xFF));
    Write(port + 1, static_cast<uint8_t>(value >> 8));
}

}  // namespace VN_Sim
