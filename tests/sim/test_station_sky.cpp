#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "vn_sim/physics/environment.h"
#include "vn_sim/station/station_model.h"
#include "vn_sim/station/station_signal.h"

namespace {

using VN_Sim::EnvironmentParams_T;
using VN_Sim::Quantity_T;
using VN_Sim::Signal_T;

// The largest change of the station's irradiance between readings 10 ms
// apart over a stretch of passing clouds, and the whole range it covered.
void Watch(const EnvironmentParams_T& params, double* largestJump, double* range) {
    VN_Sim::StationModel model(params, 0.0, 0.0);
    const Signal_T irradiance{Quantity_T::Irradiance, 0};
    double last = model.ValueAt(irradiance, 0.0);
    double low = last, high = last;
    *largestJump = 0.0;
    for (int step = 1; step <= 12000; ++step) {
        const double value = model.ValueAt(irradiance, step * 0.01);
        *largestJump = std::max(*largestJump, std::fabs(value - last));
        low = std::min(low, value);
        high = std::max(high, value);
        last = value;
    }
    *range = high - low;
}

// A cloud edge reaches the modules as the smooth change it is, not as
// stairs a tracker would take for steady light between jumps; with fixed
// light the clouds pass as well.
TEST(StationSky, CloudEdgesChangeTheLightSmoothly) {
    EnvironmentParams_T params;
    params.fixedIrradiance = 1000.0;
    params.clouds.fraction = 0.5;
    params.clouds.seed = 7;
    params.clouds.period = 20.0;
    params.clouds.edge = 5.0;
    double jump = 0.0, range = 0.0;
    Watch(params, &jump, &range);
    EXPECT_GT(range, 300.0);
    // The steepest edge, 1000 W/m² × (1 − 0.2) over 5 s, is 160 W/m² per
    // second; the light is recomputed every 50 ms, which readings 10 ms apart
    // see as up to 60 ms.
    EXPECT_LE(jump, 160.0 * 0.06);
}

}  // namespace
