#include "vn_sim/physics/lambert_w.h"

#include <cmath>

namespace VN_Sim {

namespace {

const int MaxIterations = 100;
const double RelativeTolerance = 1e-15;

// Large x: Newton on w + ln w = ln x, which never forms x.
double SolveLogForm(double logX) {
    double w = logX - std::log(logX);
    for (int i = 0; i < MaxIterations; i++) {
        double next = w * (1.0 + logX - std::log(w)) / (1.0 + w);
        bool done = std::fabs(next - w) <= RelativeTolerance * next;
        w = next;
        if (done) {
            break;
        }
    }
    return w;
}

// 0 <= x <= e: Halley on w e^w = x, starting above the root.
double SolveDirect(double x) {
    double w = std::log1p(x);
    for (int i = 0; i < MaxIterations; i++) {
        double ew = std::exp(w);
        double f = w * ew - x;
        double step = f / (ew * (w + 1.0) - (w + 2.0) * f / (2.0 * w + 2.0));
        w -= step;
        if (std::fabs(step) <= RelativeTolerance * std::fabs(w)) {
            break;
        }
    }
    return w;
}

}  // namespace

double LambertW0FromLog(double logX) {
    if (std::isnan(logX) || logX == INFINITY) {
        return logX;
    }
    if (logX > 1.0) {
        return SolveLogForm(logX);
    }
    double x = std::exp(logX);
    if (x == 0.0) {
        return 0.0;
    }
    return SolveDirect(x);
}

}  // namespace VN_Sim
