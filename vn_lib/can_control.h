#ifndef VN_LIB_CAN_CONTROL_H
#define VN_LIB_CAN_CONTROL_H

#include <memory>

#include "can_bus.h"
#include "command_control.h"

namespace VN_Lib {

// The command link over a CAN bus: the bus splits the frame into acknowledged
// messages and buffers what arrives. A link either borrows a bus (the unit's
// buses belong to its hardware model) or owns one made for it.
class CanControl : public CommandControl {
public:
    CanControl();
    ~CanControl() override;

    // Runs on a bus that stays the caller's.
    int OpenPort(CanBus* canBus);
    // Runs on a bus that the link owns from now on.
    int OpenOwnedPort(std::unique_ptr<CanBus> canBus);
    int OpenPort() override;
    int Close() override;
    int SendData(int length, const char* data, int timeoutMs) override;
    int GetData(int maxLength, char* buffer, int* count) override;
    int EmptyInputBuffer() override;

    int EnableBackgroundInput();
    int PauseBackgroundInput(bool pause);

    CanBus* Bus() const { return bus; }

protected:
    // The bus has no descriptor to wait on: pause briefly between attempts.
    bool WaitForInput(int timeoutMs) override;

private:
    std::unique_ptr<CanBus> ownedBus;
    CanBus* bus = nullptr;
};

}  // namespace VN_Lib

#endif
