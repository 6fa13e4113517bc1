#include "world/tile_loader.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace world {

template <class Sample>
TileLoader<Sample>::TileLoader(TileReader<Sample> read, const TileBuild& build)
    : read_(std::move(read)), build_(build), thread_([this] { run(); }) {}

template <class Sample>
TileLoader<Sample>::~TileLoader() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
    for (LoadedTile<Sample>& tile : finished_) kalde::releaseMapArrays(tile.arrays);
}

template <class Sample>
bool TileLoader<Sample>::queuedOrDone(const TileKey& key) const {
    if (building_ && current_ == key) return true;
    return std::any_of(finished_.begin(), finished_.end(), [&](const LoadedTile<Sample>& t) { return t.key == key; });
}

template <class Sample>
void TileLoader<Sample>::want(std::vector<TileKey> keys) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.clear();
        for (const TileKey& key : keys)
            if (!queuedOrDone(key)) queue_.push_back(key);
    }
    wake_.notify_all();
}

template <class Sample>
std::vector<LoadedTile<Sample>> TileLoader<Sample>::takeFinished(std::size_t most) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto end = finished_.begin() + static_cast<std::ptrdiff_t>(std::min(most, finished_.size()));
    std::vector<LoadedTile<Sample>> out(std::make_move_iterator(finished_.begin()), std::make_move_iterator(end));
    finished_.erase(finished_.begin(), end);
    return out;
}

template <class Sample>
bool TileLoader<Sample>::idle() {
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.empty() && !building_ && finished_.empty();
}

template <class Sample>
void TileLoader<Sample>::run() {
    std::vector<Sample> grid;
    for (;;) {
        LoadedTile<Sample> tile;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
            if (stop_) return;
            tile.key = current_ = queue_.front();
            queue_.pop_front();
            building_ = true;
        }
        // Unlocked: the file and the map's arrays are this thread's alone.
        tile.problem = read_(tile.key, grid, tile.texture);
        if (tile.problem.empty())
            tile.arrays = kalde::buildMapArrays<Sample>(grid.data(), build_.tileSide,
                                                        build_.cellX * static_cast<float>(1 << tile.key.level),
                                                        build_.heightScale, build_.cellAspect, kalde::RefinementParams{});
        std::lock_guard<std::mutex> lock(mutex_);
        finished_.push_back(std::move(tile));
        building_ = false;
    }
}

template class TileLoader<std::int16_t>;
template class TileLoader<float>;

}  // namespace world
