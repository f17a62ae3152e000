#ifndef VN_TEST_STATION_TRUTH_H
#define VN_TEST_STATION_TRUTH_H

#include <functional>
#include <map>
#include <string>

namespace VN_Test {

// One module of the simulated station's ground truth file (sim_truth.xml).
struct TruthModule_T {
    double voltage = 0, current = 0, power = 0, voc = 0, isc = 0, pmax = 0, cellTemperature = 0;
    int dac = -1;
};

struct Truth_T {
    double irradiance = 0, ambient = 0;
    std::map<int, TruthModule_T> modules;
};

// Every module of a unit held within 3 % of its maximum power.
bool AllModulesTracking(const Truth_T& truth);
// All four modules of the default station held within 3 % of their maximum power.
bool AllFourTracking(const Truth_T& truth);

// Reads the truth file; false while it is missing or incomplete.
bool ReadTruth(const std::string& path, Truth_T* truth);
// Polls the truth until done holds, for at most timeoutMs; the last truth read.
bool WaitForTruth(const std::string& path, const std::function<bool(const Truth_T&)>& done, int timeoutMs,
                  Truth_T* truth);

}  // namespace VN_Test

#endif
