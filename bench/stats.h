// Order statistics for benchmark figures.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

namespace bench {

// The q-quantile (0..1) by the nearest-rank method; 0 for no values.
inline double quantile(std::vector<double> values, double q) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(q * static_cast<double>(values.size())));
    return values[std::min(values.size() - 1, rank == 0 ? 0 : rank - 1)];
}
inline double median(const std::vector<double>& values) { return quantile(values, 0.5); }
inline double p95(const std::vector<double>& values) { return quantile(values, 0.95); }

}  // namespace bench
