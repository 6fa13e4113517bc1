// Copies or bilinearly resamples an n x n grid (element (c, r) at c + r*n) into the
// S columns of S values of a map, reversing the rows: grid row n-1-j becomes map row
// j. Used for the samples (S >= n) and for the fog image (any n).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "terrain/four_lanes.h"

namespace kalde {

// The map is filled in blocks of up to this many rows: the grid rows that a block reads
// stay in the cache while every column passes over them, where whole columns would
// read the grid one cache line per row.
constexpr int kResampleRowBlock = 64;
// The most grid rows a block may read; a grid finer than the map takes smaller blocks.
constexpr int kResampleGridRows = kResampleRowBlock + 2;

template <class In, class Out>
void resampleGrid(const In* grid, int n, Out* const* columns, int S) {
    auto g = [&](int c, int r) { return grid[c + std::ptrdiff_t{n} * r]; };
    if (n == S) {
        for (int j0 = 0; j0 < S; j0 += kResampleRowBlock) {
            const int j1 = std::min(S, j0 + kResampleRowBlock);
            for (int i = 0; i < S; ++i)
                for (int j = j0; j < j1; ++j) columns[i][j] = static_cast<Out>(g(i, n - 1 - j));
        }
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
    // Map row j blends grid row gridRow(j) with the one after it.
    const auto gridRow = [&](int j) {
        int r;
        float t;
        locate(S - 1 - j, &r, &t);
        return r;
    };
    for (int j0 = 0, count; j0 < S; j0 += count) {
        count = std::min(kResampleRowBlock, S - j0);
        while (gridRow(j0) + 2 - gridRow(j0 + count - 1) > kResampleGridRows) count /= 2;
        // Where the block's map rows lie. Lanes past the block's end repeat its last row.
        int row[kResampleRowBlock + kLanes - 1];
        float ty[kResampleRowBlock + kLanes - 1];
        for (int k = 0; k < count + kLanes - 1; ++k)
            locate(S - 1 - (j0 + std::min(k, count - 1)), &row[k], &ty[k]);
        // The grid rows the block reads, first to last.
        const int first = row[count - 1];
        const int rows = row[0] + 2 - first;
        for (int i = 0; i < S; ++i) {
            int c;
            float tx;
            locate(i, &c, &tx);
            // Each grid row blended across the column's interval once, for every map
            // row that lies next to it.
            float across[kResampleGridRows];
            for (int k = 0; k < rows; ++k)
                across[k] = static_cast<float>(g(c, first + k)) * (1.0f - tx) +
                            static_cast<float>(g(c + 1, first + k)) * tx;
            // Four map rows at a time.
            for (int k = 0; k < count; k += kLanes) {
                const int* at = row + k;
                const Floats4 a = {across[at[0] - first], across[at[1] - first],
                                   across[at[2] - first], across[at[3] - first]};
                const Floats4 b = {across[at[0] + 1 - first], across[at[1] + 1 - first],
                                   across[at[2] + 1 - first], across[at[3] + 1 - first]};
                const Floats4 t = {ty[k], ty[k + 1], ty[k + 2], ty[k + 3]};
                const Floats4 value = roundDown(a * (1.0f - t) + b * t + 0.5f);
                for (int lane = 0; lane < kLanes && k + lane < count; ++lane)
                    columns[i][j0 + k + lane] = static_cast<Out>(value[lane]);
            }
        }
    }
}

}  // namespace kalde
