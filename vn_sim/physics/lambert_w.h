#ifndef VN_SIM_LAMBERT_W_H
#define VN_SIM_LAMBERT_W_H

namespace VN_Sim {

// Principal branch W0(x) for x = exp(logX), x >= 0, given by its logarithm so
// that the diode equations can be solved where x itself overflows a double
// (the exponent of the single-diode closed form reaches thousands). Accurate
// to a few units in the last place; 0 when x underflows.
double LambertW0FromLog(double logX);

}  // namespace VN_Sim

#endif
