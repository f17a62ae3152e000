#include "vn_sim/physics/cloud_cover.h"

#include <cmath>

#include "vn_sim/physics/physics_error.h"

namespace VN_Sim {

namespace {

// Times beyond this are refused by the environment; here they only must not
// overflow the period number.
const double MaxSeconds = 1e12;

uint64_t Mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

double Uniform(uint64_t hash) { return static_cast<double>(hash >> 11) * 0x1.0p-53; }

}  // namespace

int CloudCover::CheckParams(const CloudParams_T& p) {
    bool inRange = p.fraction >= 0.0 && p.fraction <= 1.0 && p.minTransmission >= 0.0 &&
                   p.minTransmission <= p.maxTransmission && p.maxTransmission <= 1.0 &&
                   p.period > 0.0 && std::isfinite(p.period) && p.edge >= 0.0 && p.edge <= p.period;
    return inRange ? PHYS_OK : PHYS_BAD_PARAMETER;
}

double CloudCover::PeriodTransmission(int64_t period) const {
    uint64_t first = Mix(params.seed ^ Mix(static_cast<uint64_t>(period)));
    if (Uniform(first) >= params.fraction) {
        return 1.0;
    }
    double thickness = Uniform(Mix(first));
    return params.minTransmission + (params.maxTransmission - params.minTransmission) * thickness;
}

double CloudCover::Transmission(double utcSeconds) const {
    if (params.fraction <= 0.0 || !(std::fabs(utcSeconds) <= MaxSeconds)) {
        return 1.0;
    }
    double periodStart = std::floor(utcSeconds / params.period);
    int64_t period = static_cast<int64_t>(periodStart);
    double now = PeriodTransmission(period);
    double intoPeriod = utcSeconds - periodStart * params.period;
    if (intoPeriod >= params.edge) {
        return now;
    }
    // A cloud edge sweeps over the sun: ramp from the previous period's shading.
    double before = PeriodTransmission(period - 1);
    return before + (now - before) * intoPeriod / params.edge;
}

}  // namespace VN_Sim
