// Binding neighbours: the node maps the engine reads beyond each border of a drawn tile,
// so that every border shared by two tiles is drawn the same from both sides.
//
// Every drawn tile is a map of T x T samples. Beyond a border the engine reads the
// refinement weight of the neighbour's node of the same ground size as its own border
// node, and it scales its reads to a neighbour map of another size covering the same
// border. So a neighbour of the same level is its node map itself; a coarser neighbour,
// whose border is 2^D times as long, is a view of its node map through offset column
// pointers, a map of (T-1)/2^D + 1 covering this tile's part of the border; finer
// neighbours (several along one border) are copied into a small map of this tile's own
// size holding, at each border node, the weight of the finer tile's node of that size.
//
// Where finer tiles meet on a coarser tile's border, their corners (always the true
// samples) lie at that tile's edge midpoints, which must then carry the true samples too:
// a border node whose neighbour square is not inside one drawn tile is drawn fully
// subdivided, in both tiles' eyes.
#pragma once

#include <array>
#include <map>
#include <vector>

#include "terrain/kalde.h"
#include "world/tile_files.h"

namespace world {

// The engine's order of neighbours: beyond column 0, column T-1, row 0 and row T-1
// (tile row 0 is the north row, so the third side lies to the north).
enum Side { kColumnBefore = 0, kColumnAfter = 1, kRowBefore = 2, kRowAfter = 3 };
constexpr int kSides = 4;

class TileStitching {
public:
    // Finds every tile's neighbours among `keys`, a set of tiles of side `tileSide` that do
    // not overlap. Views made before stay valid until the next call.
    void arrange(const std::vector<TileKey>& keys, int tileSide);

    // After every tile's refinement and before any tile's fans: raises the weights that
    // borders with finer tiles need and makes the neighbour maps. nodeMaps[t] belongs to
    // keys[t] of arrange.
    void stitch(const std::vector<kalde::NodeMap>& nodeMaps);

    // The four neighbour maps and sizes of tile t for bindMapState (null: no neighbour).
    const kalde::NodeMap* neighbourMaps(int t) const { return tiles_[static_cast<std::size_t>(t)].maps; }
    const int* neighbourSizes(int t) const { return tiles_[static_cast<std::size_t>(t)].sizes; }

private:
    // A finer tile along a border: which tile, how many levels finer, and where its part of
    // the border starts, in cells of the coarser tile.
    struct Finer {
        int tile = 0, levels = 0, start = 0;
    };
    struct Border {
        enum class Kind { kNone, kSame, kCoarser, kFiner } kind = Kind::kNone;
        int tile = 0;                       // kSame, kCoarser
        int levels = 0, offset = 0;         // kCoarser: levels coarser; this tile's start in its cells
        std::vector<Finer> finer;           // kFiner
        std::vector<unsigned char*> columns;   // the view or copy handed to the engine
        std::vector<unsigned char> bytes;      // a copy's weights
    };
    struct Tile {
        TileKey key;
        Border borders[kSides];
        kalde::NodeMap maps[kSides] = {};
        int sizes[kSides] = {};
    };

    void findNeighbours(std::size_t t, int side);
    void collectFiner(const TileKey& key, const TileKey& from, int side, Border& border) const;
    void raiseSharedWeights(std::size_t t, int side, kalde::NodeMap nodeMap) const;
    void makeView(std::size_t t, int side, const std::vector<kalde::NodeMap>& nodeMaps);
    void makeCopy(std::size_t t, int side, const std::vector<kalde::NodeMap>& nodeMaps);
    int indexOf(const TileKey& key) const;

    int side_ = 0;   // T
    std::vector<Tile> tiles_;
    int coarsestLevel_ = 0;
    std::map<std::array<int, 3>, int> lookup_;   // (level, column, row) -> tile
};

}  // namespace world
