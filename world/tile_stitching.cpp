#include "world/tile_stitching.h"

#include <algorithm>

namespace world {

namespace {

constexpr unsigned char kFullWeight = 255;
// The engine reads no neighbour map smaller than this.
constexpr int kMinNeighbourSize = 3;

int opposite(int side) { return side ^ 1; }
bool alongRows(int side) { return side == kColumnBefore || side == kColumnAfter; }

// The grid point `across` cells in from the border on `side`, `along` cells along it.
struct GridPoint {
    int i, j;
};
GridPoint nodeAt(int side, int along, int across, int T) {
    switch (side) {
        case kColumnBefore: return {across, along};
        case kColumnAfter: return {T - 1 - across, along};
        case kRowBefore: return {along, across};
        default: return {along, T - 1 - across};
    }
}

TileKey adjacent(const TileKey& key, int side) {
    switch (side) {
        case kColumnBefore: return {key.level, key.column - 1, key.row};
        case kColumnAfter: return {key.level, key.column + 1, key.row};
        case kRowBefore: return {key.level, key.column, key.row - 1};
        default: return {key.level, key.column, key.row + 1};
    }
}

// Where a tile starts along a border on `side`, in level-0 cells.
long long alongStart(const TileKey& key, int side, int T) {
    return static_cast<long long>(alongRows(side) ? key.row : key.column) * (T - 1) << key.level;
}

}  // namespace

int TileStitching::indexOf(const TileKey& key) const {
    const auto found = lookup_.find({key.level, key.column, key.row});
    return found == lookup_.end() ? -1 : found->second;
}

void TileStitching::arrange(const std::vector<TileKey>& keys, int tileSide) {
    side_ = tileSide;
    tiles_.assign(keys.size(), Tile{});
    lookup_.clear();
    coarsestLevel_ = 0;
    for (std::size_t t = 0; t < keys.size(); ++t) {
        tiles_[t].key = keys[t];
        lookup_[{keys[t].level, keys[t].column, keys[t].row}] = static_cast<int>(t);
        coarsestLevel_ = std::max(coarsestLevel_, keys[t].level);
    }
    for (std::size_t t = 0; t < tiles_.size(); ++t)
        for (int side = 0; side < kSides; ++side) findNeighbours(t, side);
}

void TileStitching::findNeighbours(std::size_t t, int side) {
    const TileKey& key = tiles_[t].key;
    Border& border = tiles_[t].borders[side];
    const TileKey next = adjacent(key, side);
    if (next.column < 0 || next.row < 0) return;
    for (TileKey k = next; k.level <= coarsestLevel_; k = k.parent()) {
        const int found = indexOf(k);
        if (found < 0) continue;
        border.tile = found;
        border.levels = k.level - key.level;
        border.kind = border.levels == 0 ? Border::Kind::kSame : Border::Kind::kCoarser;
        border.offset = static_cast<int>((alongStart(key, side, side_) - alongStart(k, side, side_)) >> k.level);
        return;
    }
    collectFiner(next, key, side, border);
    if (!border.finer.empty()) border.kind = Border::Kind::kFiner;
}

// The drawn tiles inside `key` that touch the border of `from` on `side`.
void TileStitching::collectFiner(const TileKey& key, const TileKey& from, int side, Border& border) const {
    const int levels = from.level - key.level;
    if (const int found = indexOf(key); found >= 0) {
        const int start = static_cast<int>((alongStart(key, side, side_) - alongStart(from, side, side_)) >> from.level);
        border.finer.push_back({found, levels, start});
        return;
    }
    // A tile too fine to hold one of this tile's cells along the border cannot be stitched.
    if (key.level == 0 || ((side_ - 1) >> (levels + 1)) < 1) return;
    // The two children on the near side: their column (or row) faces `from`.
    const int nearHalf = side == kColumnBefore || side == kRowBefore ? 1 : 0;
    for (int k = 0; k < 2; ++k) {
        const TileKey child = alongRows(side) ? TileKey{key.level - 1, 2 * key.column + nearHalf, 2 * key.row + k}
                                              : TileKey{key.level - 1, 2 * key.column + k, 2 * key.row + nearHalf};
        collectFiner(child, from, side, border);
    }
}

void TileStitching::stitch(const std::vector<kalde::NodeMap>& nodeMaps) {
    // Weights first, everywhere: the copies below read the raised weights of finer tiles.
    for (std::size_t t = 0; t < tiles_.size(); ++t)
        for (int side = 0; side < kSides; ++side)
            if (tiles_[t].borders[side].kind == Border::Kind::kFiner) raiseSharedWeights(t, side, nodeMaps[t]);
    for (std::size_t t = 0; t < tiles_.size(); ++t) {
        for (int side = 0; side < kSides; ++side) {
            Tile& tile = tiles_[t];
            Border& border = tile.borders[side];
            tile.maps[side] = nullptr;
            tile.sizes[side] = 0;
            switch (border.kind) {
                case Border::Kind::kNone: break;
                case Border::Kind::kSame:
                    tile.maps[side] = nodeMaps[static_cast<std::size_t>(border.tile)];
                    tile.sizes[side] = side_;
                    break;
                case Border::Kind::kCoarser: makeView(t, side, nodeMaps); break;
                case Border::Kind::kFiner: makeCopy(t, side, nodeMaps); break;
            }
        }
    }
}

// Border nodes on `side` whose neighbour square is not inside one finer tile are drawn
// fully subdivided (their ancestors lie on the same border and span even more).
void TileStitching::raiseSharedWeights(std::size_t t, int side, kalde::NodeMap nodeMap) const {
    const int T = side_;
    const Border& border = tiles_[t].borders[side];
    for (int h = (T - 1) / 2; h >= 1; h /= 2)
        for (int p = h; p < T - 1; p += 2 * h) {
            const bool insideOne = std::any_of(border.finer.begin(), border.finer.end(), [&](const Finer& f) {
                return f.start <= p - h && p + h <= f.start + ((T - 1) >> f.levels);
            });
            if (insideOne) continue;
            const GridPoint n = nodeAt(side, p, h, T);
            nodeMap[n.i][n.j] = kFullWeight;
        }
}

// A coarser neighbour: its node map seen through offset column pointers, as a map
// covering just this tile's part of its border.
void TileStitching::makeView(std::size_t t, int side, const std::vector<kalde::NodeMap>& nodeMaps) {
    const int T = side_;
    Tile& tile = tiles_[t];
    Border& border = tile.borders[side];
    const int e = (T - 1) >> border.levels;
    if (e + 1 < kMinNeighbourSize) return;   // too much coarser to be addressed: left open
    int firstColumn = 0, firstRow = 0;
    switch (side) {
        case kColumnBefore: firstColumn = T - 1 - e, firstRow = border.offset; break;
        case kColumnAfter: firstRow = border.offset; break;
        case kRowBefore: firstColumn = border.offset, firstRow = T - 1 - e; break;
        default: firstColumn = border.offset; break;
    }
    const kalde::NodeMap neighbour = nodeMaps[static_cast<std::size_t>(border.tile)];
    border.columns.resize(static_cast<std::size_t>(e));
    for (int c = 0; c < e; ++c) border.columns[static_cast<std::size_t>(c)] = neighbour[firstColumn + c] + firstRow;
    tile.maps[side] = border.columns.data();
    tile.sizes[side] = e + 1;
}

// Finer neighbours: a map of this tile's size holding, at each node the engine reads
// across the border, the weight of the finer tile's node of that ground size.
//
// Beside columns the engine reads one column per node size, every row of it; beside rows
// it reads every column, but at one row only (the row follows from the column's lowest set
// bit), so column c starts at byte 2c of one shared run and no two reads meet.
void TileStitching::makeCopy(std::size_t t, int side, const std::vector<kalde::NodeMap>& nodeMaps) {
    const int T = side_;
    Tile& tile = tiles_[t];
    Border& border = tile.borders[side];
    const int facing = opposite(side);
    border.columns.assign(static_cast<std::size_t>(T - 1), nullptr);
    if (alongRows(side)) {
        int sizes = 0;
        for (int h = 1; h < T - 1; h *= 2) ++sizes;
        border.bytes.assign(static_cast<std::size_t>(sizes * (T - 1)), 0);
        int m = 0;
        for (int h = 1; h < T - 1; h *= 2, ++m)
            border.columns[static_cast<std::size_t>(nodeAt(facing, 0, h, T).i)] =
                border.bytes.data() + static_cast<std::size_t>(m) * (T - 1);
    } else {
        border.bytes.assign(static_cast<std::size_t>(3 * T), 0);
        for (int c = 0; c < T - 1; ++c) border.columns[static_cast<std::size_t>(c)] = border.bytes.data() + 2 * c;
    }
    // Top down, so that a node can look at its parent along the border first: a node whose
    // parent is not subdivided is not subdivided either (the engine keeps no weight below
    // a 0), and keeps the 0 it was given without a read from the finer tile's map.
    const auto copied = [&](int p, int h) -> unsigned char& {
        const GridPoint at = nodeAt(facing, p, h, T);
        return border.columns[static_cast<std::size_t>(at.i)][at.j];
    };
    for (int h = (T - 1) / 2; h >= 1; h /= 2)
        for (int p = h; p < T - 1; p += 2 * h) {
            if (2 * h < T - 1 && copied((p / (2 * h)) % 2 == 0 ? p + h : p - h, 2 * h) == 0) continue;
            unsigned char weight = kFullWeight;
            for (const Finer& f : border.finer) {
                if (!(f.start <= p - h && p + h <= f.start + ((T - 1) >> f.levels))) continue;
                const GridPoint n = nodeAt(facing, (p - f.start) << f.levels, h << f.levels, T);
                weight = nodeMaps[static_cast<std::size_t>(f.tile)][n.i][n.j];
                break;
            }
            copied(p, h) = weight;
        }
    tile.maps[side] = border.columns.data();
    tile.sizes[side] = T;
}

}  // namespace world
