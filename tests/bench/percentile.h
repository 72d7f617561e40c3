#pragma once
// The benchmarks' one statistic: the value at fraction p (0.5 the median) of the sorted figures.
#include <algorithm>
#include <cstddef>
#include <vector>

namespace bench {

inline double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1,
                      static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5))];
}

}  // namespace bench
