#include "can_control.h"

#include "sys_error.h"

namespace VN_Lib {

CanControl::CanControl() : CommandControl(LinkCan) {}

CanControl::~CanControl() = default;

int CanControl::OpenPort(CanBus* canBus) {
    if (canBus != ownedBus.get()) {
        ownedBus.reset();
    }
    bus = canBus;
    return OpenPort();
}

int CanControl::OpenOwnedPort(std::unique_ptr<CanBus> canBus) {
    ownedBus = std::move(canBus);
    bus = ownedBus.get();
    return OpenPort();
}

int CanControl::OpenPort() {
    Close();
    if (bus == nullptr) {
        return ERR_LINK_NOT_OPEN;
    }
    int result = bus->EmptyInputBuffer();
    descriptor = 1;
    return result;
}

int CanControl::Close() {
    descriptor = -1;
    ResetReceiver();
    return 0;
}

int CanControl::SendData(int length, const char* data, int timeoutMs) {
    if (bus == nullptr) {
        return ERR_LINK_NOT_OPEN;
    }
    return bus->SendData(0, length, data, timeoutMs);
}

int CanControl::GetData(int maxLength, char* buffer, int* count) {
    *count = 0;
    if (bus == nullptr) {
        return ERR_LINK_NOT_OPEN;
    }
    return bus->GetData(maxLength, buffer, count);
}

int CanControl::EmptyInputBuffer() { return bus == nullptr ? ERR_LINK_NOT_OPEN : bus->EmptyInputBuffer(); }

int CanControl::EnableBackgroundInput() { return bus == nullptr ? ERR_LINK_NOT_OPEN : bus->EnableBackgroundInput(); }

int CanControl::PauseBackgroundInput(bool pause) {
    return bus == nullptr ? ERR_LINK_NOT_OPEN : bus->PauseBackgroundInput(pause);
}

bool CanControl::WaitForInput(int timeoutMs) {
    PauseBriefly(timeoutMs);
    return false;
}

}  // namespace VN_Lib
