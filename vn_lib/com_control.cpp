#include "com_control.h"

#include <unistd.h>

#include "serial_device.h"
#include "sys_error.h"

namespace VN_Lib {

ComControl::ComControl() : CommandControl(LinkSerial) {}

ComControl::~ComControl() { Close(); }

int ComControl::OpenPort(int portNumber, int baud) {
    serialPort = portNumber;
    baudRate = baud;
    return OpenPort();
}

int ComControl::OpenPort() {
    Close();
    if (serialPort != 1 && serialPort != 2) {
        return ERR_LINK_NOT_OPEN;
    }
    int fd = OpenSerialDevice(serialPort, baudRate);
    if (fd < 0) {
        return ERR_LINK_NOT_OPEN;
    }
    descriptor = fd;
    return 0;
}

int ComControl::Close() {
    if (descriptor >= 0) {
        CloseSerialDevice(descriptor);
    }
    descriptor = -1;
    ResetReceiver();
    return 0;
}

int ComControl::SendData(int length, const char* data, int timeoutMs) { return WriteAll(data, length, timeoutMs); }

int ComControl::GetData(int maxLength, char* buffer, int* count) {
    *count = 0;
    if (descriptor < 0) {
        return ERR_LINK_NOT_OPEN;
    }
    if (maxLength <= 0) {
        return 0;
    }
    ssize_t got = read(descriptor, buffer, static_cast<size_t>(maxLength));
    if (got > 0) {
        *count = static_cast<int>(got);
    }
    return 0;
}

int ComControl::EmptyInputBuffer() {
    DiscardPendingInput();
    return 0;
}

}  // namespace VN_Lib
