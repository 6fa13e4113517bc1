// Copies or bilinearly resamples an n x n grid (element (c, r) at c + r*n) into the
// S columns of S values of a map, S >= n, reversing the rows: grid row n-1-j becomes
// map row j. Used for the samples and for the fog image.
#pragma once

#include <cmath>
#include <cstddef>

namespace kalde {

template <class In, class Out>
void resampleGrid(const In* grid, int n, Out* const* columns, int S) {
    if (n == S) {
        for (int i = 0; i < S; ++i)
            for (int j = 0; j < S; ++j) columns[i][j] = static_cast<Out>(grid[i + std::ptrdiff_t{n} * (n - 1 - j)]);
        return;
    }
    const float last = static_cast<float>(S - 1);
    const float span = static_cast<float>(n - 1);
    // Position along one axis: cell index and weight of the upper neighbour. The
    // far end is pinned to the last interval with weight 1; the clamp keeps huge
    // grids, where single precision can round up to n-1, inside the grid.
    auto locate = [&](int k, int* cell, float* t) {
        if (k == S - 1) {
            *cell = n - 2;
            *t = 1.0f;
            return;
        }
        const float x = static_cast<float>(k) / last * span;
        *cell = static_cast<int>(std::floor(x));
        *t = x - static_cast<float>(*cell);
        if (*cell > n - 2) {
            *cell = n - 2;
            *t = 1.0f;
        }
    };
    auto g = [&](int c, int r) { return static_cast<float>(grid[c + std::ptrdiff_t{n} * r]); };
    for (int i = 0; i < S; ++i) {
        int c;
        float tx;
        locate(i, &c, &tx);
        for (int j = 0; j < S; ++j) {
            int r;
            float ty;
            locate(S - 1 - j, &r, &ty);   // map row j reads grid row S-1-j, scaled
            const float a = g(c, r) * (1.0f - tx) + g(c + 1, r) * tx;
            const float b = g(c, r + 1) * (1.0f - tx) + g(c + 1, r + 1) * tx;
            const float value = a * (1.0f - ty) + b * ty;
            columns[i][j] = static_cast<Out>(std::floor(value + 0.5f));
        }
    }
}

}  // namespace kalde
