#ifndef VN_SIM_CARD_CONVERSION_TALLY_H
#define VN_SIM_CARD_CONVERSION_TALLY_H

#include <cstdint>

namespace VN_Sim {

// How many results the program's drivers read from the simulated converters
// and how often they switched a front end, over all cards of the process
// since it started. An averaging window begins with a switch and reads a
// result it drops, so (results - switches) / switches is the conversions a
// window averaged: what a slower driver loop gives up.
struct ConversionTally_T {
    uint64_t resultsRead = 0;
    uint64_t frontEndSwitches = 0;
};

ConversionTally_T ConversionTally();
void CountResultRead();
void CountFrontEndSwitch();

}  // namespace VN_Sim

#endif
