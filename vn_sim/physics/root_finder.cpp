#include "vn_sim/physics/root_finder.h"

#include <cmath>

#include "vn_sim/physics/physics_error.h"

namespace VN_Sim {

namespace {
// Enough for any double bracket to shrink to the last bit by bisection alone.
const int MaxIterations = 400;
}  // namespace

int FindRoot(const std::function<double(double)>& f, double lo, double hi, double xTolerance,
             double* root) {
    double flo = f(lo);
    double fhi = f(hi);
    if (!std::isfinite(flo) || !std::isfinite(fhi) || !std::isfinite(lo) || !std::isfinite(hi)) {
        return PHYS_NO_ROOT;
    }
    if (flo == 0.0) {
        *root = lo;
        return PHYS_OK;
    }
    if (fhi == 0.0) {
        *root = hi;
        return PHYS_OK;
    }
    if ((flo < 0.0) == (fhi < 0.0)) {
        return PHYS_NO_ROOT;
    }
    int side = 0;  // which end was kept last time, for the Illinois halving
    for (int i = 0; i < MaxIterations && std::fabs(hi - lo) > xTolerance; i++) {
        double x = (lo * fhi - hi * flo) / (fhi - flo);
        // Fall back to bisection when the secant lands on an end (rounding).
        if (!(x > std::fmin(lo, hi) && x < std::fmax(lo, hi))) {
            x = 0.5 * (lo + hi);
            if (!(x > std::fmin(lo, hi) && x < std::fmax(lo, hi))) {
                break;  // the ends are neighbouring doubles
            }
        }
        double fx = f(x);
        if (!std::isfinite(fx)) {
            return PHYS_NO_ROOT;
        }
        if (fx == 0.0) {
            *root = x;
            return PHYS_OK;
        }
        if ((fx < 0.0) == (fhi < 0.0)) {
            hi = x;
            fhi = fx;
            if (side == -1) {
                flo *= 0.5;
            }
            side = -1;
        } else {
            lo = x;
            flo = fx;
            if (side == 1) {
                fhi *= 0.5;
            }
            side = 1;
        }
    }
    *root = 0.5 * (lo + hi);
    return PHYS_OK;
}

}  // namespace VN_Sim
