#ifndef VN_SIM_CAN_CHIP_H
#define VN_SIM_CAN_CHIP_H

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "vn_sim/can/can_chip_registers.h"
#include "vn_sim/can/can_node.h"
#include "vn_sim/can/can_wire.h"
#include "vn_sim/spi_device.h"

namespace VN_Sim {

// The stand-alone SPI CAN controller chip on an analog card, attached to a
// simulated wire. It decodes the chip's SPI instructions (reset, read, write,
// bit modify, read status, load transmit buffer, request to send, read
// receive buffer) strictly: a malformed or unknown instruction, or an access
// the chip would refuse, is reported on stderr and counted, never ignored.
//
// With the oscillator at DefaultOscillatorHz and the driver's CNF values
// (quantum = 2 oscillator periods, 8 quanta per bit) the bus runs at 1 Mbit/s.
class CanChip : public SpiDevice, public CanNode {
public:
    static constexpr double DefaultOscillatorHz = 16e6;

    explicit CanChip(std::shared_ptr<CanWire> wire, double oscillatorHz = DefaultOscillatorHz);
    ~CanChip() override;
    CanChip(const CanChip&) = delete;
    CanChip& operator=(const CanChip&) = delete;

    void Select() override;
    void Deselect() override;
    uint8_t Transfer(uint8_t mosi) override;

    // Acknowledged unless the chip is in configuration mode, where it stays off the bus.
    bool ReceiveFrame(const CanFrame_T& frame) override;

    // Ground truth for tests; reading here has none of the SPI side effects.
    uint8_t PeekRegister(uint8_t address);
    double BitRate();
    int FaultCount() const { return faults.load(); }
    int OverrunCount(int buffer);

private:
    enum class Instruction { None, Reset, Read, Write, BitModify, ReadStatus, LoadTx, RequestToSend, ReadRx, Refused };

    // Completes frames whose bit time has passed and puts them on the wire.
    // Called with accessMutex held and stateMutex free.
    void AdvanceTransmission();
    void Begin(uint8_t instruction, int64_t nowUs);
    uint8_t Continue(uint8_t mosi, int64_t nowUs);
    bool Complete() const;
    void Fault(const char* what);
    void Fault(const char* what, uint8_t at);

    std::shared_ptr<CanWire> wire;
    // accessMutex orders SPI accesses and the frames they put on the wire;
    // stateMutex guards the registers, which the wire also fills. The wire is
    // called with accessMutex only, so two chips never wait for each other.
    std::mutex accessMutex;
    std::mutex stateMutex;
    CanChipRegisters registers;
    bool selected = false;
    Instruction instruction = Instruction::None;
    uint8_t opcode = 0;
    int bytesAfterOpcode = 0;
    uint8_t address = 0;
    uint8_t lastAddress = 0;  // end of a transmit buffer being loaded
    uint8_t modifyMask = 0;
    int rxBuffer = 0;
    std::atomic<int> faults{0};
};

}  // namespace VN_Sim

#endif
