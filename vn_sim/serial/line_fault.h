#ifndef VN_SIM_SERIAL_LINE_FAULT_H
#define VN_SIM_SERIAL_LINE_FAULT_H

#include <cstdint>
#include <string>
#include <vector>

namespace VN_Sim {

// A fault on a serial line, for tests and fault scripts: the file "fault" in
// the line's folder names it, and removing the file mends the line. It acts
// on every byte arriving at an end of the line, whichever way it travels.
//   mute       nothing arrives
//   garbage    every byte arrives as another
//   cut        a burst (bytes after a pause of 50 ms or more) breaks off
//              after its first 8 bytes: an answer stopped mid-frame
//   slow <ms>  a burst arrives that much later: an answer too slow
// Anything else in the file leaves the line sound.
class LineFault {
public:
    explicit LineFault(const std::string& folder);

    // What of the bytes arriving at nowNs (monotonic) reaches the port, and
    // in delayMs how long to hold them first.
    std::vector<uint8_t> Apply(std::vector<uint8_t> bytes, long long nowNs, int* delayMs);

private:
    const std::string path;
    long long lastArrivalNs = 0;
    size_t burstBytes = 0;
    uint32_t noise = 0x2545F491u;
};

}  // namespace VN_Sim

#endif
