#include "vn_sim/can/can_chip_registers.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "vn_sim/can/can_registers.h"

namespace VN_Sim {

using namespace CanReg;

namespace {

bool IsTxBufferBody(uint8_t address) {
    const int row = address & 0xF0;
    const int column = address & 0x0F;
    return row >= 0x30 && row <= 0x50 && column >= SIDH && column <= D7;
}

int TxBufferOf(uint8_t address) { return ((address & 0xF0) - 0x30) >> 4; }

}  // namespace

CanChipRegisters::CanChipRegisters(double oscillator) : oscillatorHz(oscillator) { Reset(); }

void CanChipRegisters::Reset() {
    std::memset(registers, 0, sizeof(registers));
    registers[CANCTRL] = CanCtrlReset;
    transmitting = -1;
}

// CANCTRL and CANSTAT appear at every address of their column.
uint8_t& CanChipRegisters::At(uint8_t address) {
    return registers[(address & 0x0F) == 0x0F ? CANCTRL : address & 0x7F];
}

uint8_t CanChipRegisters::Read(uint8_t address) const {
    address &= 0x7F;
    if ((address & 0x0F) == 0x0E) return static_cast<uint8_t>((registers[CANCTRL] & REQOP) | (InterruptCode() << 1));
    if ((address & 0x0F) == 0x0F) return registers[CANCTRL];
    return registers[address];
}

const char* CanChipRegisters::Write(uint8_t address, uint8_t value, int64_t nowUs) {
    return Apply(address, 0xFF, value, nowUs);
}

const char* CanChipRegisters::BitModify(uint8_t address, uint8_t mask, uint8_t value, int64_t nowUs) {
    if (CanRegisterRule(address).bitModify) return Apply(address, mask, value, nowUs);
    // The chip writes the whole byte here; a driver that meant to keep bits
    // has a fault.
    const char* fault = Apply(address, 0xFF, value, nowUs);
    return fault != nullptr ? fault : "bit modify of a register that takes only whole bytes";
}

const char* CanChipRegisters::Apply(uint8_t address, uint8_t mask, uint8_t value, int64_t nowUs) {
    const CanRegisterRule_T rule = CanRegisterRule(address);
    if (rule.writable == 0 && rule.unmodelled == 0) return "write to a read-only register";
    if (rule.configOnly && !InConfigurationMode()) return "register written outside configuration mode";
    if (IsTxBufferBody(address) && TransmissionPending(TxBufferOf(address))) {
        return "transmit buffer written while its transmission is pending";
    }

    const char* fault = nullptr;
    uint8_t requested = value & mask;
    uint8_t changeable = rule.writable;
    if (requested & rule.unmodelled) {
        fault = "sets bits the simulation does not model";
    } else if (requested & ~rule.writable) {
        fault = "sets read-only bits";
    }

    uint8_t& target = At(address);
    const uint8_t old = target;
    if (&target == &registers[CANCTRL]) {
        uint8_t mode = (value & mask & REQOP) | (old & ~mask & REQOP);
        if (mode != ModeNormal && mode != ModeConfiguration) {
            fault = "operating mode not simulated";
            changeable &= static_cast<uint8_t>(~REQOP);
        }
    }
    const uint8_t changed = mask & changeable;
    target = static_cast<uint8_t>((old & ~changed) | (value & changed));

    const bool txControl = (address & 0x0F) == 0 && (address & 0xF0) >= 0x30 && (address & 0xF0) <= 0x50;
    if (txControl && (old & TXREQ) && !(target & TXREQ)) {
        Abort(TxBufferOf(address), nowUs);
    } else if (txControl && !(old & TXREQ) && (target & TXREQ)) {
        target &= static_cast<uint8_t>(~ABTF);
        StartNextTransmission(nowUs);
    } else if (&target == &registers[CANCTRL]) {
        // Back in normal mode, a waiting frame goes out.
        StartNextTransmission(nowUs);
    }
    return fault;
}

void CanChipRegisters::RequestToSend(uint8_t buffers, int64_t nowUs) {
    for (int n = 0; n < TxBufferCount; ++n) {
        if (buffers & (1 << n)) {
            registers[TxBuffer(n)] = static_cast<uint8_t>((registers[TxBuffer(n)] & ~ABTF) | TXREQ);
        }
    }
    StartNextTransmission(nowUs);
}

// A withdrawn request takes effect at once, even for the frame on the bus.
void CanChipRegisters::Abort(int buffer, int64_t nowUs) {
    registers[TxBuffer(buffer)] |= ABTF;
    if (transmitting == buffer) {
        transmitting = -1;
        StartNextTransmission(nowUs);
    }
}

bool CanChipRegisters::TransmissionPending(int buffer) const { return (registers[TxBuffer(buffer)] & TXREQ) != 0; }

void CanChipRegisters::ClearReceiveFlag(int buffer) { registers[CANINTF] &= static_cast<uint8_t>(~(RX0IF << buffer)); }

uint8_t CanChipRegisters::Status() const {
    const uint8_t flags = registers[CANINTF];
    uint8_t status = flags & (RX0IF | RX1IF);
    for (int n = 0; n < TxBufferCount; ++n) {
        if (TransmissionPending(n)) status |= static_cast<uint8_t>(0x04 << (2 * n));
        if (flags & (TX0IF << n)) status |= static_cast<uint8_t>(0x08 << (2 * n));
    }
    return status;
}

// Highest-priority enabled interrupt: error, wake-up, TXB0..2, RXB0..1.
uint8_t CanChipRegisters::InterruptCode() const {
    const uint8_t pending = registers[CANINTF] & registers[CANINTE];
    const uint8_t order[] = {ERRIF, 0x40, TX0IF, TX0IF << 1, TX0IF << 2, RX0IF, RX1IF};
    for (uint8_t code = 0; code < sizeof(order); ++code) {
        if (pending & order[code]) return static_cast<uint8_t>(code + 1);
    }
    return 0;
}

bool CanChipRegisters::InConfigurationMode() const { return (registers[CANCTRL] & REQOP) == ModeConfiguration; }

double CanChipRegisters::BitRate() const {
    const int prescaler = (registers[CNF1] & 0x3F) + 1;
    const int propagation = (registers[CNF2] & 0x07) + 1;
    const int phase1 = ((registers[CNF2] >> 3) & 0x07) + 1;
    // Without BTLMODE the chip makes phase 2 as long as phase 1, at least 2 quanta.
    const int phase2 = (registers[CNF2] & 0x80) ? (registers[CNF3] & 0x07) + 1 : std::max(phase1, 2);
    const int quanta = 1 + propagation + phase1 + phase2;
    const double quantumSeconds = 2.0 * prescaler / oscillatorHz;
    return 1.0 / (quanta * quantumSeconds);
}

CanFrame_T CanChipRegisters::TxFrame(int buffer) const {
    const uint8_t base = TxBuffer(buffer);
    CanFrame_T frame;
    frame.id = static_cast<uint16_t>(IdentifierAt(base + SIDH));
    frame.dlc = registers[base + DLC] & 0x0F;
    for (int i = 0; i < CanFrameDataLength(frame); ++i) frame.data[i] = registers[base + D0 + i];
    return frame;
}

unsigned CanChipRegisters::IdentifierAt(uint8_t sidhAddress) const {
    return (static_cast<unsigned>(registers[sidhAddress]) << 3) | (registers[sidhAddress + 1] >> 5);
}

// The frame goes on the bus when the chip is in normal mode and idle; the
// highest TXP wins, on a tie the higher buffer.
void CanChipRegisters::StartNextTransmission(int64_t startUs) {
    if (transmitting >= 0 || InConfigurationMode()) return;
    int chosen = -1;
    for (int n = 0; n < TxBufferCount; ++n) {
        if (TransmissionPending(n) &&
            (chosen < 0 || (registers[TxBuffer(n)] & TXP) >= (registers[TxBuffer(chosen)] & TXP))) {
            chosen = n;
        }
    }
    if (chosen < 0) return;
    transmitting = chosen;
    const double microseconds = CanFrameBitLength(TxFrame(chosen)) * 1e6 / BitRate();
    transmitEndUs = startUs + static_cast<int64_t>(std::ceil(microseconds));
}

bool CanChipRegisters::FrameDue(int64_t nowUs, CanFrame_T* frame) const {
    if (transmitting < 0 || nowUs < transmitEndUs) return false;
    *frame = TxFrame(transmitting);
    return true;
}

void CanChipRegisters::FinishTransmission(bool acknowledged, int64_t nowUs) {
    uint8_t& control = registers[TxBuffer(transmitting)];
    const int buffer = transmitting;
    const int64_t end = transmitEndUs;
    transmitting = -1;
    if (acknowledged) {
        control &= static_cast<uint8_t>(~(TXREQ | TXERR));
        registers[CANINTF] |= static_cast<uint8_t>(TX0IF << buffer);
        StartNextTransmission(end);
    } else {
        control |= TXERR;
        StartNextTransmission(nowUs);
    }
}

int CanChipRegisters::AcceptingFilter(int buffer, const CanFrame_T& frame) const {
    const int mode = (registers[RxBuffer(buffer)] & RXM) >> 5;
    if (mode == 3) return 0;      // masks and filters off: any frame
    if (mode == 2) return -1;     // extended identifiers only
    const unsigned mask = IdentifierAt(Mask(buffer));
    const int first = buffer == 0 ? 0 : 2;
    const int last = buffer == 0 ? 1 : 5;
    for (int n = first; n <= last; ++n) {
        const uint8_t filter = Filter(n);
        if (registers[filter + FilterSIDL] & EXIDE) continue;
        if (((frame.id ^ IdentifierAt(filter)) & mask) == 0) return n;
    }
    return -1;
}

void CanChipRegisters::Store(int buffer, int filter, const CanFrame_T& frame) {
    const uint8_t base = RxBuffer(buffer);
    registers[base + SIDH] = static_cast<uint8_t>(frame.id >> 3);
    registers[base + SIDL] = static_cast<uint8_t>((frame.id & 0x07) << 5);
    registers[base + EID8] = 0;
    registers[base + EID0] = 0;
    registers[base + DLC] = frame.dlc & 0x0F;
    for (int i = 0; i < CanFrameDataLength(frame); ++i) registers[base + D0 + i] = frame.data[i];
    const uint8_t hitBits = buffer == 0 ? FILHIT0 : FILHIT;
    registers[base] = static_cast<uint8_t>((registers[base] & RXM) | (filter & hitBits));
    registers[CANINTF] |= static_cast<uint8_t>(RX0IF << buffer);
}

// A chip receives only in normal mode. A frame accepted by buffer 0 while
// that buffer is still full is lost (no rollover), as is one for a full buffer 1.
bool CanChipRegisters::ReceiveFrame(const CanFrame_T& frame) {
    if (InConfigurationMode()) return false;
    for (int buffer = 0; buffer < RxBufferCount; ++buffer) {
        const int filter = AcceptingFilter(buffer, frame);
        if (filter < 0) continue;
        if (registers[CANINTF] & (RX0IF << buffer)) {
            registers[EFLG] |= static_cast<uint8_t>(RX0OVR << buffer);
            registers[CANINTF] |= ERRIF;
            ++overruns[buffer];
        } else {
            Store(buffer, filter, frame);
        }
        return true;
    }
    return true;
}

}  // namespace VN_Sim
