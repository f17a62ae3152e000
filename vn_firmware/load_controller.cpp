#include "load_controller.h"

#include "can_bus.h"

namespace VN_Lib {

namespace {

const unsigned short DacMessageBase = 0x4000;
const unsigned AddressMask = 0xF;

}  // namespace

int LoadController::InitializeDAC(CanBus* canBus, unsigned int loadAddress) {
    address = loadAddress;
    if (canBus == nullptr) return ErrNoBus;
    bus = canBus;
    return 0;
}

unsigned short LoadController::Identifier(unsigned int loadAddress) {
    return static_cast<unsigned short>(DacMessageBase + (loadAddress & AddressMask) * 256);
}

int LoadController::SetDac(unsigned int value) {
    if (bus == nullptr) return ErrNoBus;
    dac = value > MaxDac ? MaxDac : value;
    const char data[2] = {static_cast<char>((dac >> 8) & 0xFF), static_cast<char>(dac & 0xFF)};
    return bus->SendThreadSafeStandardMessage(Identifier(address), 2, data);
}

}  // namespace VN_Lib
