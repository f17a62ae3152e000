#ifndef VN_LIB_COM_CONTROL_H
#define VN_LIB_COM_CONTROL_H

#include "command_control.h"

namespace VN_Lib {

// The command link over a serial port: COM1 is "/dev/ttyS0", COM2
// "/dev/ttyS1", raw 8-bit with RTS/CTS flow control; reads never wait.
// What stands behind a port is the serial device seam's (serial_device.h).
class ComControl : public CommandControl {
public:
    static const int DefaultBaud = 38400;

    ComControl();
    ~ComControl() override;

    // Port 1 or 2 at the baud rate (unknown rates run at 115200).
    int OpenPort(int portNumber, int baud);
    int OpenPort() override;
    int Close() override;
    int SendData(int length, const char* data, int timeoutMs) override;
    int GetData(int maxLength, char* buffer, int* count) override;
    int EmptyInputBuffer() override;

    int BaudRate() const { return baudRate; }

private:
    int baudRate = DefaultBaud;
};

}  // namespace VN_Lib

#endif
