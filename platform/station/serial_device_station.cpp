#include "serial_device.h"
#include "serial_terminal.h"
#include "station_paths.h"

namespace VN_Lib {

int OpenSerialDevice(int portNumber, int baud) {
    if (portNumber == 1) return OpenSerialTerminal(StationPath("/dev/ttyS0"), baud);
    if (portNumber == 2) return OpenSerialTerminal(StationPath("/dev/ttyS1"), baud);
    return -1;
}

void CloseSerialDevice(int descriptor) { CloseSerialTerminal(descriptor); }

}  // namespace VN_Lib
