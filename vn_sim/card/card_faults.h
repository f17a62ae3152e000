#ifndef VN_SIM_CARD_CARD_FAULTS_H
#define VN_SIM_CARD_CARD_FAULTS_H

#include <atomic>
#include <string>

namespace VN_Sim {

// Accesses a card does not support: each is printed on stderr, naming the
// port and value, and counted so tests can assert that a driver made none.
// The process goes on, as the station's bus would.
class CardFaults {
public:
    explicit CardFaults(unsigned baseAddress);

    void Report(const std::string& what, unsigned offset, unsigned value);
    // A fault with no port behind it (a device's own file, for instance).
    void Report(const std::string& what);
    int Count() const { return count.load(); }

private:
    unsigned baseAddress;
    std::atomic<int> count{0};
};

}  // namespace VN_Sim

#endif
