#ifndef VN_SIM_CLOUD_COVER_H
#define VN_SIM_CLOUD_COVER_H

#include <cstdint>

namespace VN_Sim {

struct CloudParams_T {
    double fraction = 0.0;          // share of periods with a cloud before the sun, 0..1
    uint64_t seed = 1;
    double period = 60.0;           // s, how long the sky stays as it is
    double edge = 5.0;              // s, ramp from one period's shading to the next
    double minTransmission = 0.2;   // share of the clear-sky irradiance under a cloud
    double maxTransmission = 0.6;
};

// Passing clouds as a pure function of time: the sky is split into periods,
// and a hash of (seed, period number) decides whether a cloud shades the sun
// and how thickly. No state advances per call, so every process with the
// same seed sees the same cloud at the same instant.
class CloudCover {
public:
    explicit CloudCover(const CloudParams_T& cloudParams) : params(cloudParams) {}

    // PHYS_BAD_PARAMETER for a fraction or transmissions outside 0..1, a
    // minimum above the maximum, a non-positive period or an edge outside
    // 0..period.
    static int CheckParams(const CloudParams_T& params);

    // Share of the clear-sky irradiance that reaches the ground at utcSeconds.
    double Transmission(double utcSeconds) const;

private:
    double PeriodTransmission(int64_t period) const;

    CloudParams_T params;
};

}  // namespace VN_Sim

#endif
