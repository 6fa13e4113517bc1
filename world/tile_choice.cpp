#include "world/tile_choice.h"

#include <algorithm>
#include <cmath>

namespace world {

namespace {

// More levels than any world has (its side is below 2^31 samples).
constexpr int kLevelsAtMost = 31;

// Distance from v to the interval [low, high].
double outside(double v, double low, double high) { return v < low ? low - v : (v > high ? v - high : 0.0); }

void choose(const WorldIndex& index, const TileChoiceView& view, double splitTiles, const TileKey& key,
            std::vector<TileKey>& out) {
    if (!tileExists(index, key)) return;
    const double distance = tileDistance(index, key, view);
    if (distance > view.farDistance) return;
    const WorldLevel& level0 = index.levels[0];
    const double width = static_cast<double>(tileSpan(index, key.level)) * std::max(level0.cellX, level0.cellZ);
    if (key.level == 0 || distance >= splitTiles * width) {
        out.push_back(key);
        return;
    }
    for (int child = 0; child < 4; ++child)
        choose(index, view, splitTiles, {key.level - 1, 2 * key.column + child % 2, 2 * key.row + child / 2}, out);
}

}  // namespace

long long tileSpan(const WorldIndex& index, int level) {
    return static_cast<long long>(index.tileSide - 1) << level;
}

double tileDistance(const WorldIndex& index, const TileKey& key, const TileChoiceView& view) {
    const double span = static_cast<double>(tileSpan(index, key.level));
    const double dx = outside(view.column, key.column * span, (key.column + 1) * span) * index.levels[0].cellX;
    const double dz = outside(view.row, key.row * span, (key.row + 1) * span) * index.levels[0].cellZ;
    return std::sqrt(dx * dx + dz * dz + view.altitude * view.altitude);
}

std::vector<TileKey> chooseTiles(const WorldIndex& index, const TileChoiceView& view, double splitTiles) {
    std::vector<TileKey> out;
    if (index.levels.empty()) return out;
    choose(index, view, splitTiles, {static_cast<int>(index.levels.size()) - 1, 0, 0}, out);
    std::stable_sort(out.begin(), out.end(), [](const TileKey& a, const TileKey& b) { return a.level > b.level; });
    return out;
}

bool tileWithin(const TileKey& inner, const TileKey& outer) {
    if (inner.level > outer.level) return false;
    const int shift = outer.level - inner.level;
    return (inner.column >> shift) == outer.column && (inner.row >> shift) == outer.row;
}

std::vector<TileKey> drawableTiles(const std::vector<TileKey>& chosen,
                                   const std::function<bool(const TileKey&)>& ready) {
    std::vector<TileKey> stand;
    for (TileKey key : chosen) {
        while (!ready(key) && key.level < kLevelsAtMost) key = key.parent();
        if (key.level < kLevelsAtMost && std::find(stand.begin(), stand.end(), key) == stand.end())
            stand.push_back(key);
    }
    std::vector<TileKey> out;
    for (const TileKey& key : stand) {
        const bool covered = std::any_of(stand.begin(), stand.end(), [&](const TileKey& other) {
            return other != key && tileWithin(key, other);
        });
        if (!covered) out.push_back(key);
    }
    return out;
}

}  // namespace world
