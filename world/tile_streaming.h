// The tiles of a world around the camera, frame by frame: chosen for the view, loaded on
// the background thread (coarse levels first, then nearest first), drawn as soon as they
// are ready (until then their nearest ready ancestor stands in), and released farthest
// first when they no longer fit the memory budget. Where the cut chosen for a view and its
// ancestors would not fit the budget, a coarser cut is chosen (neighbours may then differ
// by more than one level; stitching joins any). The frame never waits for a file or a
// map's construction.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "world/tile_choice.h"
#include "world/tile_loader.h"
#include "world/world_pass.h"

namespace world {

// Where level-0 pixel (column, row) lies in the world: x = x0 + column * cellX,
// z = z0 - row * cellZ (rows run south).
struct WorldPlacement {
    double x0 = 0.0, z0 = 0.0, cellX = 1.0, cellZ = 1.0;
};

template <class Sample>
class TileStreaming {
public:
    // What the owner does with a tile's texture when it arrives and when it is released.
    struct Hooks {
        std::function<void(const TileKey&, elevation::RgbImage&)> arrived;
        std::function<void(const TileKey&)> released;
        std::function<void(const TileKey&, const std::string&)> failed;
    };

    TileStreaming(const WorldIndex& index, const WorldPlacement& placement, float heightScale,
                  std::size_t memoryBudget, TileReader<Sample> read, Hooks hooks, double splitTiles = kDefaultSplitTiles);
    ~TileStreaming();

    // Takes the tiles finished since the last frame, chooses and requests the tiles of
    // `view`, releases what no longer fits; returns the tiles to draw now.
    const std::vector<const TileMap<Sample>*>& update(const TileChoiceView& view);

    // The finest ready tile holding world (x, z), or null.
    const TileMap<Sample>* finestAt(double x, double z) const;
    // Its ground height at (x, z), kalde::kAbsent where no tile is ready.
    float groundHeight(double x, double z) const;

    std::size_t bytesHeld() const { return bytes_; }
    std::size_t tilesHeld() const { return held_.size(); }
    long tilesLoaded() const { return loaded_; }
    // Whether the loader has nothing left to do.
    bool settled() { return loader_.idle(); }

private:
    struct Held {
        TileMap<Sample> map;
        std::size_t bytes = 0;
        long drawnFrame = -1;
    };
    using Slot = std::array<int, 3>;
    static Slot slotOf(const TileKey& key) { return {key.level, key.column, key.row}; }

    void takeFinished();
    // The chosen tiles; `ranked` gets them and their ancestors, most wanted first.
    std::vector<TileKey> chooseWithinBudget(const TileChoiceView& view, std::vector<TileKey>& ranked);
    std::vector<TileKey> rank(const std::vector<TileKey>& chosen, const TileChoiceView& view) const;
    void plan(const std::vector<TileKey>& ranked, const TileChoiceView& view);
    std::size_t tileBytes() const;
    std::size_t admittedTiles() const;

    const WorldIndex index_;
    const WorldPlacement placement_;
    const float heightScale_;
    const std::size_t budget_;
    const Hooks hooks_;
    const double splitTiles_;
    double split_;   // the split distance in use: splitTiles_, or less where that cut does not fit
    std::map<Slot, std::unique_ptr<Held>> held_;
    std::map<Slot, bool> failed_;
    std::vector<const TileMap<Sample>*> drawn_;
    std::size_t bytes_ = 0;
    std::size_t textureBytes_ = 0;   // of the last texture seen, for the budget of tiles to come
    long frame_ = 0;
    long loaded_ = 0;
    TileLoader<Sample> loader_;   // last: stopped first
};

}  // namespace world
