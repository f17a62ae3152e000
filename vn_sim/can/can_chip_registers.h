#ifndef VN_SIM_CAN_CHIP_REGISTERS_H
#define VN_SIM_CAN_CHIP_REGISTERS_H

#include <cstdint>

#include "vn_sim/can/can_frame.h"

namespace VN_Sim {

// The register file of the SPI CAN controller chip and what the chip does
// with it: operating modes, bit timing from CNF1..3 and the oscillator,
// transmit requests that complete after the frame's bit time (or are
// withdrawn by clearing TXREQ), acceptance
// masks and filters, receive buffer flags and overruns. Times are
// microseconds on the system clock. Not thread-safe: CanChip serialises it.
class CanChipRegisters {
public:
    explicit CanChipRegisters(double oscillatorHz);

    // Power-up and reset-instruction state: registers cleared, configuration mode.
    void Reset();

    uint8_t Read(uint8_t address) const;
    // Each returns nullptr when the chip accepts the access, or why it does
    // not; the bits the chip would not change stay as they were.
    const char* Write(uint8_t address, uint8_t value, int64_t nowUs);
    const char* BitModify(uint8_t address, uint8_t mask, uint8_t value, int64_t nowUs);

    // Request to send for the buffers whose bits (0..2) are set.
    void RequestToSend(uint8_t buffers, int64_t nowUs);
    bool TransmissionPending(int buffer) const;
    void ClearReceiveFlag(int buffer);
    // The read-status byte.
    uint8_t Status() const;

    // A frame from the wire: stored, or lost on overrun, or not accepted.
    // Whether the chip acknowledges it (it does unless in configuration mode).
    bool ReceiveFrame(const CanFrame_T& frame);

    // The frame on the bus when it has completely left by nowUs.
    bool FrameDue(int64_t nowUs, CanFrame_T* frame) const;
    // Ends the due frame: sent when a node acknowledged it, else it is sent
    // again (the chip retransmits until someone acknowledges).
    void FinishTransmission(bool acknowledged, int64_t nowUs);

    double BitRate() const;
    bool InConfigurationMode() const;
    int Overruns(int buffer) const { return overruns[buffer & 1]; }

private:
    uint8_t& At(uint8_t address);
    const char* Apply(uint8_t address, uint8_t mask, uint8_t value, int64_t nowUs);
    void StartNextTransmission(int64_t startUs);
    void Abort(int buffer, int64_t nowUs);
    CanFrame_T TxFrame(int buffer) const;
    unsigned IdentifierAt(uint8_t sidhAddress) const;
    // Filter number that lets the frame into the buffer, or -1.
    int AcceptingFilter(int buffer, const CanFrame_T& frame) const;
    void Store(int buffer, int filter, const CanFrame_T& frame);
    uint8_t InterruptCode() const;

    double oscillatorHz;
    uint8_t registers[128];
    int transmitting = -1;  // buffer on the bus, or -1
    int64_t transmitEndUs = 0;
    int overruns[2] = {0, 0};
};

}  // namespace VN_Sim

#endif
