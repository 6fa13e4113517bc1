// Reading and building tiles on a background thread. A file read and a map's arrays
// (samples, height bounds, roughness) touch no engine state, so the thread builds them
// without any lock; the lock guards only the hand-over: the queue of wanted tiles and
// the list of finished ones, which the frame loop takes and makes current itself.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "elevation/rgb_image.h"
#include "terrain/map_arrays.h"
#include "world/tile_files.h"

namespace world {

// Reads a tile's heights as the grid buildMap takes (T x T) and its texture; returns an
// empty string or the problem. Called on the loader thread.
template <class Sample>
using TileReader = std::function<std::string(const TileKey&, std::vector<Sample>& grid, elevation::RgbImage& texture)>;

template <class Sample>
struct LoadedTile {
    TileKey key;
    kalde::MapArrays<Sample> arrays;   // empty when the tile could not be read
    elevation::RgbImage texture;
    std::string problem;
};

// How a tile's map is built: cells of level 0 and their aspect, heights times heightScale.
struct TileBuild {
    int tileSide = 0;
    float cellX = 1.0f, cellAspect = 1.0f, heightScale = 1.0f;
};

template <class Sample>
class TileLoader {
public:
    TileLoader(TileReader<Sample> read, const TileBuild& build);
    ~TileLoader();   // stops the thread and frees what was not taken
    TileLoader(const TileLoader&) = delete;
    TileLoader& operator=(const TileLoader&) = delete;

    // The tiles to load next, most wanted first; replaces the previous wish.
    void want(std::vector<TileKey> keys);
    // Up to `most` of the tiles finished and not yet taken, the earliest first.
    std::vector<LoadedTile<Sample>> takeFinished(std::size_t most);
    // Whether nothing is queued, being built or waiting to be taken.
    bool idle();

private:
    void run();
    bool queuedOrDone(const TileKey& key) const;

    const TileReader<Sample> read_;
    const TileBuild build_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<TileKey> queue_;
    std::vector<LoadedTile<Sample>> finished_;
    bool building_ = false;
    TileKey current_;
    bool stop_ = false;
    std::thread thread_;   // last: starts once the rest is in place
};

}  // namespace world
