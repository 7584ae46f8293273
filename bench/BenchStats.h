#pragma once

#include <algorithm>
#include <cstdio>
#include <vector>

// Prints the median, p99 and maximum of a set of milliseconds.
inline void PrintFigures(const char* what, std::vector<double> values) {
    if (values.empty()) {
        std::printf("%-40s no samples\n", what);
        return;
    }
    std::sort(values.begin(), values.end());
    const double median = values[values.size() / 2];
    const double p99 = values[std::min(values.size() - 1, values.size() * 99 / 100)];
    std::printf("%-40s median %8.3f ms  p99 %8.3f ms  max %8.3f ms  (n=%zu)\n", what, median, p99,
                values.back(), values.size());
}
