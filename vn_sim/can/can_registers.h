#ifndef VN_SIM_CAN_REGISTERS_H
#define VN_SIM_CAN_REGISTERS_H

#include <cstdint>

namespace VN_Sim {

// Register map and bits of the SPI CAN controller chip (addresses 0x00..0x7F).
namespace CanReg {

const uint8_t AddressCount = 0x80;

const uint8_t BFPCTRL = 0x0C;
const uint8_t TXRTSCTRL = 0x0D;
const uint8_t CANSTAT = 0x0E;  // mirrored at every address ending in 0xE
const uint8_t CANCTRL = 0x0F;  // mirrored at every address ending in 0xF
const uint8_t TEC = 0x1C;
const uint8_t REC = 0x1D;
const uint8_t CNF3 = 0x28;
const uint8_t CNF2 = 0x29;
const uint8_t CNF1 = 0x2A;
const uint8_t CANINTE = 0x2B;
const uint8_t CANINTF = 0x2C;
const uint8_t EFLG = 0x2D;

// Offsets inside a transmit or receive buffer block (control register first).
const uint8_t SIDH = 1;
const uint8_t SIDL = 2;
const uint8_t EID8 = 3;
const uint8_t EID0 = 4;
const uint8_t DLC = 5;
const uint8_t D0 = 6;
const uint8_t D7 = 13;

const int TxBufferCount = 3;
const int RxBufferCount = 2;

// Filters and masks start with their SIDH register; SIDL, EID8, EID0 follow.
const uint8_t FilterSIDL = 1;

constexpr uint8_t TxBuffer(int n) { return static_cast<uint8_t>(0x30 + 0x10 * n); }
constexpr uint8_t RxBuffer(int n) { return static_cast<uint8_t>(0x60 + 0x10 * n); }
constexpr uint8_t Filter(int n) { return static_cast<uint8_t>(n < 3 ? 4 * n : 0x10 + 4 * (n - 3)); }
constexpr uint8_t Mask(int n) { return static_cast<uint8_t>(0x20 + 4 * n); }

// CANINTF
const uint8_t RX0IF = 0x01;
const uint8_t RX1IF = 0x02;
const uint8_t TX0IF = 0x04;  // TX1IF, TX2IF follow
const uint8_t ERRIF = 0x20;
// EFLG
const uint8_t RX0OVR = 0x40;  // RX1OVR follows
// TXBnCTRL
const uint8_t TXP = 0x03;
const uint8_t TXREQ = 0x08;
const uint8_t TXERR = 0x10;
const uint8_t ABTF = 0x40;
// RXBnCTRL
const uint8_t RXM = 0x60;
const uint8_t FILHIT0 = 0x01;
const uint8_t FILHIT = 0x07;
// CANCTRL / CANSTAT
const uint8_t REQOP = 0xE0;
const uint8_t ModeNormal = 0x00;
const uint8_t ModeConfiguration = 0x80;
const uint8_t CanCtrlReset = 0x87;
// Identifier registers
const uint8_t EXIDE = 0x08;

}  // namespace CanReg

// What software may do to one register.
struct CanRegisterRule_T {
    uint8_t writable;    // bits software changes and the simulation models
    uint8_t unmodelled;  // bits software may change on the chip but the simulation does not model
    bool configOnly;     // writable in configuration mode only
    bool bitModify;      // the bit modify instruction applies its mask (elsewhere the chip writes the whole byte)
};

// The rule of an address 0x00..0x7F. A register with neither writable nor
// unmodelled bits is read-only.
CanRegisterRule_T CanRegisterRule(uint8_t address);

}  // namespace VN_Sim

#endif
