#include "com_control.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "station_paths.h"
#include "sys_error.h"
#include "utilities.h"

namespace VN_Lib {

ComControl::ComControl() : CommandControl(LinkSerial) { std::memset(&settings, 0, sizeof(settings)); }

ComControl::~ComControl() { Close(); }

int ComControl::OpenPort(int portNumber, int baud) {
    serialPort = portNumber;
    baudRate = baud;
    return OpenPort();
}

int ComControl::OpenPort() {
    Close();
    speed_t speed = static_cast<speed_t>(GetCodeFromBaud(static_cast<unsigned int>(baudRate)));
    const char* device = nullptr;
    if (serialPort == 1) {
        device = "/dev/ttyS0";
    } else if (serialPort == 2) {
        device = "/dev/ttyS1";
    } else {
        return ERR_LINK_NOT_OPEN;
    }
    // Non-blocking, so that neither opening (no carrier) nor a write held up
    // by flow control can stall the program beyond its time-out.
    int fd = open(StationPath(device).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return ERR_LINK_NOT_OPEN;
    }
    std::memset(&settings, 0, sizeof(settings));
    settings.c_cflag = speed | CS8 | CREAD | CLOCAL | CRTSCTS;
    settings.c_iflag = IGNPAR;
    settings.c_oflag = 0;
    settings.c_lflag = 0;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    cfsetispeed(&settings, speed);
    cfsetospeed(&settings, speed);
    tcflush(fd, TCIFLUSH);
    tcsetattr(fd, TCSANOW, &settings);
    descriptor = fd;
    return 0;
}

int ComControl::Close() {
    if (descriptor >= 0) {
        tcflush(descriptor, TCIOFLUSH);
        close(descriptor);
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
