#include "vn_sim/card/noise_source.h"

#include <cmath>

namespace VN_Sim {

namespace {

// SplitMix64 finaliser: a fast hash with good avalanche, enough for noise.
uint64_t Mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

const double TwoPi = 6.283185307179586;

}  // namespace

NoiseSource::NoiseSource(uint64_t noiseSeed) : seed(noiseSeed) {}

double NoiseSource::Uniform(uint64_t index, uint64_t stream) const {
    uint64_t bits = Mix(Mix(seed ^ (stream << 56)) ^ index) >> 11;
    // 53 bits, shifted off zero so the logarithm below is finite.
    return (static_cast<double>(bits) + 0.5) / 9007199254740992.0;
}

double NoiseSource::Gaussian(uint64_t index) const {
    // Box-Muller on two independent uniforms.
    double u1 = Uniform(index, 1);
    double u2 = Uniform(index, 2);
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(TwoPi * u2);
}

}  // namespace VN_Sim
