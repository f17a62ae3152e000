#include "vn_sim/card/conversion_tally.h"

#include <atomic>

namespace VN_Sim {

namespace {

// Atomic: the truth file is written from whichever thread reads an input.
std::atomic<uint64_t> resultsRead{0};
std::atomic<uint64_t> frontEndSwitches{0};

}  // namespace

ConversionTally_T ConversionTally() {
    ConversionTally_T tally;
    tally.resultsRead = resultsRead.load(std::memory_order_relaxed);
    tally.frontEndSwitches = frontEndSwitches.load(std::memory_order_relaxed);
    return tally;
}

void CountResultRead() { resultsRead.fetch_add(1, std::memory_order_relaxed); }
void CountFrontEndSwitch() { frontEndSwitches.fetch_add(1, std::memory_order_relaxed); }

}  // namespace VN_Sim
