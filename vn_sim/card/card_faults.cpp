#include "vn_sim/card/card_faults.h"

#include <cstdio>

namespace VN_Sim {

CardFaults::CardFaults(unsigned base) : baseAddress(base) {}

void CardFaults::Report(const std::string& what, unsigned offset, unsigned value) {
    std::fprintf(stderr, "simulated analog card 0x%X: %s (port 0x%X, value 0x%X)\n", baseAddress, what.c_str(),
                 baseAddress + offset, value);
    ++count;
}

void CardFaults::Report(const std::string& what) {
    std::fprintf(stderr, "simulated analog card 0x%X: %s\n", baseAddress, what.c_str());
    ++count;
}

}  // namespace VN_Sim
