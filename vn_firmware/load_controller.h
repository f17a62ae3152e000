#ifndef VN_FIRMWARE_LOAD_CONTROLLER_H
#define VN_FIRMWARE_LOAD_CONTROLLER_H

namespace VN_Lib {

class CanBus;

// The DAC of one electronic load: a 16-bit set-point sent to the load's
// address on a CAN bus (0 open circuit, 65535 short circuit).
class LoadController {
public:
    static constexpr int ErrNoBus = 622;
    static constexpr unsigned MaxDac = 0xFFFF;

    // Stores the address (only its low 4 bits reach the bus) and, when given,
    // the bus; ErrNoBus without one.
    int InitializeDAC(CanBus* canBus, unsigned int loadAddress);

    // Sends the value, high byte first, through the bus's locked send and
    // remembers it. Values above MaxDac are sent as MaxDac: the load has only
    // 16 bits, and dropping the upper ones would swing it towards open circuit.
    // ErrNoBus without a bus, else the result of the send.
    int SetDac(unsigned int value);

    // The DAC message identifier for an address, in the chip's SIDH/SIDL layout.
    static unsigned short Identifier(unsigned int loadAddress);

    unsigned int Dac() const { return dac; }
    unsigned int Address() const { return address; }
    bool HasBus() const { return bus != nullptr; }

private:
    unsigned int address = 0;
    CanBus* bus = nullptr;
    unsigned int dac = 0;
};

}  // namespace VN_Lib

#endif
