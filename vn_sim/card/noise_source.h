#ifndef VN_SIM_CARD_NOISE_SOURCE_H
#define VN_SIM_CARD_NOISE_SOURCE_H

#include <cstdint>

namespace VN_Sim {

// Deterministic Gaussian noise: the value for an index depends only on the
// seed and the index, so a conversion read twice gives the same result and a
// run repeats exactly from its seed.
class NoiseSource {
public:
    explicit NoiseSource(uint64_t seed);

    // Standard normal deviate for the index.
    double Gaussian(uint64_t index) const;

private:
    // Uniform in (0, 1) from a hash of the seed, index and stream.
    double Uniform(uint64_t index, uint64_t stream) const;

    uint64_t seed;
};

}  // namespace VN_Sim

#endif
