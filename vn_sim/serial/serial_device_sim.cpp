#include <map>
#include <memory>
#include <mutex>

#include "serial_device.h"
#include "serial_terminal.h"
#include "station_paths.h"
#include "utilities.h"
#include "vn_sim/serial/serial_line_end.h"
#include "vn_sim/station/station_installer.h"

namespace {

std::mutex linesMutex;
// The ports open on a serial line, by their descriptor.
std::map<int, std::unique_ptr<VN_Sim::SerialLineEnd>> openLines;

}  // namespace

namespace VN_Lib {

int OpenSerialDevice(int portNumber, int baud) {
    if (portNumber != 1 && portNumber != 2) return -1;
    VN_Sim::SerialLineSettings_T line;
    if (!VN_Sim::InstalledSerialLine(portNumber, &line))
        return OpenSerialTerminal(StationPath(portNumber == 1 ? "/dev/ttyS0" : "/dev/ttyS1"), baud);
    // The rate the port really runs at, as a terminal would set it.
    int rate = GetBaudFromCode(static_cast<unsigned short>(GetCodeFromBaud(static_cast<unsigned int>(baud))));
    auto end = std::make_unique<VN_Sim::SerialLineEnd>(line.folder, rate);
    int descriptor = end->PortDescriptor();
    if (descriptor < 0) return -1;
    std::lock_guard<std::mutex> lock(linesMutex);
    openLines[descriptor] = std::move(end);
    return descriptor;
}

void CloseSerialDevice(int descriptor) {
    std::unique_ptr<VN_Sim::SerialLineEnd> end;
    {
        std::lock_guard<std::mutex> lock(linesMutex);
        auto found = openLines.find(descriptor);
        if (found != openLines.end()) {
            end = std::move(found->second);
            openLines.erase(found);
        }
    }
    if (end == nullptr) CloseSerialTerminal(descriptor);
}

}  // namespace VN_Lib
