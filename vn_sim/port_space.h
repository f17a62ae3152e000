#ifndef VN_SIM_PORT_SPACE_H
#define VN_SIM_PORT_SPACE_H

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace VN_Sim {

// A simulated device answering at a block of I/O ports. Offsets are relative
// to the block's base. A device that is asked for something its hardware does
// not support reports it (naming port and value) instead of inventing a value.
class PortDevice {
public:
    virtual ~PortDevice() = default;
    virtual uint8_t ReadByte(unsigned offset) = 0;
    virtual void WriteByte(unsigned offset, uint8_t value) = 0;
    // Word accesses default to the low byte at offset and the high byte at offset + 1.
    virtual uint16_t ReadWord(unsigned offset);
    virtual void WriteWord(unsigned offset, uint16_t value);
};

// The simulated ISA port space behind VN_Lib::_inp/_outp. Ports no device
// claims behave as an absent device: reads give all ones, writes vanish.
// One lock serialises every access, as the single bus does on the station.
class PortSpace {
public:
    static PortSpace& Instance();

    // Maps device at [base, base + count). Returns 0, or 1 when the range
    // overlaps a mapped device.
    int Map(unsigned base, unsigned count, std::shared_ptr<PortDevice> device);
    void UnmapAll();

    int Read(int port);
    int ReadWord(int port);
    void Write(int port, uint8_t value);
    void WriteWord(int port, uint16_t value);

private:
    struct Block {
        unsigned count;
        std::shared_ptr<PortDevice> device;
    };
    // Block containing port, or nullptr; offset set to the port's offset in it.
    Block* Find(int port, unsigned* offset);

    std::recursive_mutex mutex;
    std::map<unsigned, Block> blocks;  // keyed by base port
};

}  // namespace VN_Sim

#endif
