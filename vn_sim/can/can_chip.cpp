#include "vn_sim/can/can_chip.h"

#include <sys/time.h>

#include <cstdio>

#include "clock.h"
#include "vn_sim/can/can_registers.h"

namespace VN_Sim {

namespace {

// Bit timing runs on the monotonic clock, as a real chip ignores the time of day.
int64_t NowMicroseconds() {
    struct timeval now = {0, 0};
    VN_Lib::GetMonotonicTime(&now);
    return static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_usec;
}

const uint8_t Idle = 0xFF;  // MISO while the chip does not drive it

}  // namespace

CanChip::CanChip(std::shared_ptr<CanWire> canWire, double oscillatorHz)
    : wire(std::move(canWire)), registers(oscillatorHz) {
    wire->Attach(this);
}

CanChip::~CanChip() { wire->Detach(this); }

void CanChip::Select() {
    std::lock_guard<std::mutex> access(accessMutex);
    AdvanceTransmission();
    std::lock_guard<std::mutex> state(stateMutex);
    if (selected) Fault("selected again while an instruction was in progress");
    selected = true;
    instruction = Instruction::None;
    bytesAfterOpcode = 0;
}

void CanChip::Deselect() {
    std::lock_guard<std::mutex> access(accessMutex);
    AdvanceTransmission();
    std::lock_guard<std::mutex> state(stateMutex);
    if (!selected) return;
    selected = false;
    if (instruction != Instruction::None && instruction != Instruction::Refused && !Complete()) {
        Fault("instruction ended before its last byte");
    }
    // Releasing chip select after a receive buffer read frees the buffer.
    if (instruction == Instruction::ReadRx) registers.ClearReceiveFlag(rxBuffer);
    instruction = Instruction::None;
}

uint8_t CanChip::Transfer(uint8_t mosi) {
    std::lock_guard<std::mutex> access(accessMutex);
    AdvanceTransmission();
    std::lock_guard<std::mutex> state(stateMutex);
    if (!selected) {
        Fault("byte clocked without chip select");
        return Idle;
    }
    const int64_t nowUs = NowMicroseconds();
    if (instruction == Instruction::None) {
        Begin(mosi, nowUs);
        return Idle;
    }
    return Continue(mosi, nowUs);
}

void CanChip::Begin(uint8_t code, int64_t nowUs) {
    opcode = code;
    bytesAfterOpcode = 0;
    address = 0;
    if (code == 0xC0) {
        registers.Reset();
        instruction = Instruction::Reset;
    } else if (code == 0x03) {
        instruction = Instruction::Read;
    } else if (code == 0x02) {
        instruction = Instruction::Write;
    } else if (code == 0x05) {
        instruction = Instruction::BitModify;
    } else if (code == 0xA0) {
        instruction = Instruction::ReadStatus;
    } else if ((code & 0xF8) == 0x40 && (code & 0x07) <= 5) {
        const uint8_t base = CanReg::TxBuffer((code & 0x07) >> 1);
        address = static_cast<uint8_t>(base + ((code & 0x01) ? CanReg::D0 : CanReg::SIDH));
        lastAddress = static_cast<uint8_t>(base + CanReg::D7);
        instruction = Instruction::LoadTx;
    } else if ((code & 0xF8) == 0x80 && (code & 0x07) != 0) {
        registers.RequestToSend(code & 0x07, nowUs);
        instruction = Instruction::RequestToSend;
    } else if ((code & 0xF9) == 0x90) {
        rxBuffer = (code >> 2) & 0x01;
        address = static_cast<uint8_t>(CanReg::RxBuffer(rxBuffer) + ((code & 0x02) ? CanReg::D0 : CanReg::SIDH));
        instruction = Instruction::ReadRx;
    } else {
        instruction = Instruction::Refused;
        Fault("unknown instruction");
    }
}

uint8_t CanChip::Continue(uint8_t mosi, int64_t nowUs) {
    const int index = ++bytesAfterOpcode;
    const bool addressByte = index == 1 && (instruction == Instruction::Read || instruction == Instruction::Write ||
                                            instruction == Instruction::BitModify);
    if (addressByte) {
        address = mosi;
        if (mosi >= CanReg::AddressCount) {
            Fault("address beyond the register map");
            instruction = Instruction::Refused;
        }
        return Idle;
    }
    uint8_t miso = Idle;
    const char* refused = nullptr;
    const uint8_t accessed = address;
    switch (instruction) {
        case Instruction::Read:
        case Instruction::ReadRx:
            miso = registers.Read(address);
            address = (address + 1) % CanReg::AddressCount;
            break;
        case Instruction::Write:
            refused = registers.Write(address, mosi, nowUs);
            address = (address + 1) % CanReg::AddressCount;
            break;
        case Instruction::LoadTx:
            if (address > lastAddress) {
                refused = "loaded past the end of the transmit buffer";
                instruction = Instruction::Refused;
                break;
            }
            refused = registers.Write(address++, mosi, nowUs);
            break;
        case Instruction::BitModify:
            if (index == 2) {
                modifyMask = mosi;
            } else if (index == 3) {
                refused = registers.BitModify(address, modifyMask, mosi, nowUs);
            } else {
                refused = "byte after a complete instruction";
                instruction = Instruction::Refused;
            }
            break;
        case Instruction::ReadStatus:
            miso = registers.Status();
            break;
        case Instruction::Reset:
        case Instruction::RequestToSend:
            refused = "byte after a complete instruction";
            instruction = Instruction::Refused;
            break;
        case Instruction::None:
        case Instruction::Refused:
            break;
    }
    if (refused != nullptr) Fault(refused, accessed);
    return miso;
}

bool CanChip::Complete() const {
    switch (instruction) {
        case Instruction::Read:
        case Instruction::Write:
            return bytesAfterOpcode >= 2;
        case Instruction::BitModify:
            return bytesAfterOpcode == 3;
        case Instruction::ReadStatus:
        case Instruction::LoadTx:
        case Instruction::ReadRx:
            return bytesAfterOpcode >= 1;
        default:
            return true;
    }
}

void CanChip::Fault(const char* what) { Fault(what, address); }

void CanChip::Fault(const char* what, uint8_t at) {
    ++faults;
    std::fprintf(stderr, "can chip: %s (instruction 0x%02X, address 0x%02X)\n", what, opcode, at);
}

void CanChip::AdvanceTransmission() {
    for (;;) {
        CanFrame_T frame;
        const int64_t nowUs = NowMicroseconds();
        {
            std::lock_guard<std::mutex> state(stateMutex);
            if (!registers.FrameDue(nowUs, &frame)) return;
        }
        const int reached = wire->Transmit(this, frame);
        std::lock_guard<std::mutex> state(stateMutex);
        registers.FinishTransmission(reached > 0, nowUs);
    }
}

bool CanChip::ReceiveFrame(const CanFrame_T& frame) {
    std::lock_guard<std::mutex> state(stateMutex);
    return registers.ReceiveFrame(frame);
}

uint8_t CanChip::PeekRegister(uint8_t registerAddress) {
    std::lock_guard<std::mutex> access(accessMutex);
    AdvanceTransmission();
    std::lock_guard<std::mutex> state(stateMutex);
    return registers.Read(registerAddress);
}

double CanChip::BitRate() {
    std::lock_guard<std::mutex> state(stateMutex);
    return registers.BitRate();
}

int CanChip::OverrunCount(int buffer) {
    std::lock_guard<std::mutex> state(stateMutex);
    return registers.Overruns(buffer);
}

}  // namespace VN_Sim
