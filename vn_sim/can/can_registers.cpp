#include "vn_sim/can/can_registers.h"

namespace VN_Sim {

namespace {

const CanRegisterRule_T ReadOnly = {0x00, 0x00, false, false};

// Acceptance filters and masks: SIDH, SIDL, EID8, EID0.
CanRegisterRule_T FilterRule(int offset) {
    return offset == 1 ? CanRegisterRule_T{0xEB, 0x00, true, false} : CanRegisterRule_T{0xFF, 0x00, true, false};
}

// Masks filter standard frames on their first two data bytes through the
// extended bytes; that filtering is not simulated.
CanRegisterRule_T MaskRule(int offset) {
    switch (offset) {
        case 0: return {0xFF, 0x00, true, false};
        case 1: return {0xE3, 0x00, true, false};
        default: return {0x00, 0xFF, true, false};
    }
}

// Transmit buffers: control, identifier, DLC, data. Extended identifiers and
// remote frames are not simulated.
CanRegisterRule_T TxBufferRule(int offset) {
    switch (offset) {
        case 0: return {0x0B, 0x00, false, true};
        case CanReg::SIDL: return {0xE3, CanReg::EXIDE, false, false};
        case CanReg::DLC: return {0x0F, 0x40, false, false};
        default: return {0xFF, 0x00, false, false};
    }
}

}  // namespace

CanRegisterRule_T CanRegisterRule(uint8_t address) {
    const int row = address & 0xF0;
    const int column = address & 0x0F;
    if (column == 0x0E) return ReadOnly;                                // CANSTAT
    if (column == 0x0F) return {0xE7, 0x18, false, true};               // CANCTRL: ABAT and OSM not simulated
    if (address < 0x0C) return FilterRule(address % 4);                 // filters 0..2
    if (address == CanReg::BFPCTRL) return {0x3F, 0x00, false, true};
    if (address == CanReg::TXRTSCTRL) return {0x07, 0x00, true, true};  // pin states read-only
    if (address >= 0x10 && address < 0x1C) return FilterRule(address % 4);  // filters 3..5
    if (address < 0x20) return ReadOnly;                                // TEC, REC
    if (address < 0x28) return MaskRule(address % 4);
    if (address == CanReg::CNF3) return {0xC7, 0x00, true, true};
    if (address == CanReg::CNF2 || address == CanReg::CNF1) return {0xFF, 0x00, true, true};
    if (address == CanReg::CANINTE || address == CanReg::CANINTF) return {0xFF, 0x00, false, true};
    if (address == CanReg::EFLG) return {0xC0, 0x00, false, true};      // only the overflow flags
    if (row >= 0x30 && row <= 0x50) return column <= CanReg::D7 ? TxBufferRule(column) : ReadOnly;
    if (address == CanReg::RxBuffer(0)) return {0x60, 0x04, false, true};  // rollover not simulated
    if (address == CanReg::RxBuffer(1)) return {0x60, 0x00, false, true};
    return ReadOnly;  // received frames, unimplemented addresses
}

}  // namespace VN_Sim
