#ifndef VN_SIM_ROOT_FINDER_H
#define VN_SIM_ROOT_FINDER_H

#include <functional>

namespace VN_Sim {

// Root of f on [lo, hi] where f(lo) and f(hi) differ in sign (or one is 0),
// by regula falsi with the Illinois modification: never leaves the bracket,
// and converges superlinearly on the smooth monotone curves of the models.
// Stops when the bracket is narrower than xTolerance. Returns PHYS_OK and the
// root, or PHYS_NO_ROOT (root untouched) when the ends have the same sign or
// a value is not finite.
int FindRoot(const std::function<double(double)>& f, double lo, double hi, double xTolerance,
             double* root);

}  // namespace VN_Sim

#endif
