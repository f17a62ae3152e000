#include "serial_terminal.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>

#include "utilities.h"

namespace VN_Lib {

int OpenSerialTerminal(const std::string& path, int baud) {
    speed_t speed = static_cast<speed_t>(GetCodeFromBaud(static_cast<unsigned int>(baud)));
    // Non-blocking, so that neither opening (no carrier) nor a write held up
    // by flow control can stall the program beyond its time-out.
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    struct termios settings;
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
    return fd;
}

void CloseSerialTerminal(int descriptor) {
    tcflush(descriptor, TCIOFLUSH);
    close(descriptor);
}

}  // namespace VN_Lib
