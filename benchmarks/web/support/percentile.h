#ifndef VN_BENCH_PERCENTILE_H
#define VN_BENCH_PERCENTILE_H

#include <algorithm>
#include <vector>

namespace VN_Bench {

// The value at fraction (0 to 1) of the sorted values, nearest rank; 0 when
// there are none.
inline double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t at = static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[at];
}

}  // namespace VN_Bench

#endif
