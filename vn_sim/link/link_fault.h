#ifndef VN_SIM_LINK_LINK_FAULT_H
#define VN_SIM_LINK_LINK_FAULT_H

#include <cstdint>
#include <string>
#include <vector>

namespace VN_Sim {

// What a fault file names. Anything else in the file leaves the wire sound.
//   mute       nothing arrives
//   garbage    every byte arrives as another
//   cut        a burst (bytes after a pause of 50 ms or more) breaks off
//              after its first 8 bytes: an answer stopped mid-frame
//   slow <ms>  a burst arrives that much later (at most 60 s): an answer too slow
struct LinkFault_T {
    enum Kind_T { None, Mute, Garbage, Cut, Slow };
    Kind_T kind = None;
    int delayMs = 0;
};

// A fault on a simulated wire between processes, for tests and fault
// scripts: a file names it while the programs run, and removing the file
// mends the wire. Serial lines apply it to every byte arriving at a port,
// CAN wires to the frames a program sends to the others.
// Nanoseconds on the machine's own monotonic clock. Links are paced and
// faults timed on it, as a UART is clocked by its crystal whatever time the
// programs are given: a test that freezes the clock seam freezes neither.
long long MachineMonotonicNs();

class LinkFault {
public:
    explicit LinkFault(const std::string& faultFile);

    // The fault the file names now (read afresh at every call).
    LinkFault_T Read() const;

    // What of the bytes arriving at nowNs (monotonic) gets through, and in
    // delayMs how long to hold them first.
    std::vector<uint8_t> Apply(std::vector<uint8_t> bytes, long long nowNs, int* delayMs);
    // The same under a fault already read.
    std::vector<uint8_t> Apply(const LinkFault_T& fault, std::vector<uint8_t> bytes, long long nowNs, int* delayMs);

private:
    const std::string path;
    long long lastArrivalNs = 0;
    size_t burstBytes = 0;
    uint32_t noise = 0x2545F491u;
};

}  // namespace VN_Sim

#endif
