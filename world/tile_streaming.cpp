#include "world/tile_streaming.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace world {

namespace {

// A texture in memory: Irrlicht keeps a copy of four bytes a pixel, and the video driver
// another with its mipmaps (in main memory too where it draws in software).
constexpr double kTextureBytesPerPixel = 4.0 + 4.0 * 4.0 / 3.0;
// Tiles made current a frame: each texture's upload (and its mipmaps, made on the CPU by
// a software driver) is the frame's, so that several at once would stall it.
constexpr std::size_t kArrivalsPerFrame = 1;

// When the chosen tiles and their ancestors do not fit the budget, the split distance
// shrinks by this factor a step until they do; it grows back a step a frame, but only
// while the tiles then wanted leave this share of the budget free, so that it does not
// swing to and fro across the limit, loading and releasing the same tiles.
constexpr double kSplitShrink = 0.9;
constexpr double kSplitGrowth = 1.02;
constexpr double kGrowthRoom = 0.9;
// Below this the cut is the coarsest tile alone.
constexpr double kSmallestSplit = 1e-3;

template <class Sample>
std::size_t mapBytes(int T) {
    return static_cast<std::size_t>(T + 1) * T * sizeof(Sample) + static_cast<std::size_t>(T - 1) * (T - 1);
}

TileBuild buildOf(const WorldIndex& index, const WorldPlacement& placement, float heightScale) {
    TileBuild build;
    build.tileSide = index.tileSide;
    build.cellX = static_cast<float>(placement.cellX);
    build.cellAspect = static_cast<float>(placement.cellZ / placement.cellX);
    build.heightScale = heightScale;
    return build;
}

}  // namespace

template <class Sample>
TileStreaming<Sample>::TileStreaming(const WorldIndex& index, const WorldPlacement& placement, float heightScale,
                                     std::size_t memoryBudget, TileReader<Sample> read, Hooks hooks,
                                     double splitTiles)
    : index_(index), placement_(placement), heightScale_(heightScale), budget_(memoryBudget),
      hooks_(std::move(hooks)), splitTiles_(splitTiles), split_(splitTiles),
      loader_(std::move(read), buildOf(index, placement, heightScale)) {}

template <class Sample>
TileStreaming<Sample>::~TileStreaming() {
    for (auto& entry : held_) kalde::releaseMapArrays(entry.second->map.arrays);
}

template <class Sample>
std::size_t TileStreaming<Sample>::tileBytes() const {
    return mapBytes<Sample>(index_.tileSide) + textureBytes_;
}

template <class Sample>
std::size_t TileStreaming<Sample>::admittedTiles() const {
    return std::max<std::size_t>(1, budget_ / std::max<std::size_t>(1, tileBytes()));
}

// The chosen tiles for `view` at the finest split distance, up to splitTiles_, at which
// they and their ancestors fit the budget. Were they not to fit, the tiles wanted last
// (the finest, nearest the camera) would be released as soon as they arrived, and loaded
// again the next frame.
template <class Sample>
std::vector<TileKey> TileStreaming<Sample>::chooseWithinBudget(const TileChoiceView& view,
                                                               std::vector<TileKey>& ranked) {
    const std::size_t admitted = admittedTiles();
    const auto wanted = [&](double split, std::vector<TileKey>& chosen) {
        chosen = chooseTiles(index_, view, split);
        ranked = rank(chosen, view);
        return ranked.size();
    };
    std::vector<TileKey> chosen;
    const double grown = std::min(splitTiles_, split_ * kSplitGrowth);
    if (grown > split_ && wanted(grown, chosen) <= kGrowthRoom * static_cast<double>(admitted)) {
        split_ = grown;
        return chosen;
    }
    while (wanted(split_, chosen) > admitted && split_ > 0.0)
        split_ = split_ * kSplitShrink < kSmallestSplit ? 0.0 : split_ * kSplitShrink;
    return chosen;
}

template <class Sample>
void TileStreaming<Sample>::takeFinished() {
    const int T = index_.tileSide;
    for (LoadedTile<Sample>& tile : loader_.takeFinished(kArrivalsPerFrame)) {
        const Slot slot = slotOf(tile.key);
        if (!tile.problem.empty()) {
            failed_[slot] = true;
            if (hooks_.failed) hooks_.failed(tile.key, tile.problem);
            continue;
        }
        if (held_.count(slot)) {   // asked for twice
            kalde::releaseMapArrays(tile.arrays);
            continue;
        }
        auto held = std::make_unique<Held>();
        TileMap<Sample>& map = held->map;
        map.key = tile.key;
        map.arrays = tile.arrays;
        // The centre sample in level-0 pixels, placed in double so that all tiles agree.
        const double half = (T - 1) / 2.0, scale = std::ldexp(1.0, tile.key.level);
        map.centerX = static_cast<float>(placement_.x0 + (tile.key.column * (T - 1) + half) * scale * placement_.cellX);
        map.centerZ = static_cast<float>(placement_.z0 - (tile.key.row * (T - 1) + half) * scale * placement_.cellZ);
        map.cellAspect = static_cast<float>(placement_.cellZ / placement_.cellX);
        map.heightScale = heightScale_;
        textureBytes_ = static_cast<std::size_t>(static_cast<double>(tile.texture.width) * tile.texture.height *
                                                 kTextureBytesPerPixel);
        held->bytes = mapBytes<Sample>(T) + textureBytes_;
        if (hooks_.arrived) hooks_.arrived(tile.key, tile.texture);
        bytes_ += held->bytes;
        ++loaded_;
        held_[slot] = std::move(held);
    }
}

template <class Sample>
const std::vector<const TileMap<Sample>*>& TileStreaming<Sample>::update(const TileChoiceView& view) {
    ++frame_;
    takeFinished();
    std::vector<TileKey> ranked;
    const std::vector<TileKey> chosen = chooseWithinBudget(view, ranked);
    drawn_.clear();
    for (const TileKey& key : drawableTiles(chosen, [this](const TileKey& k) { return held_.count(slotOf(k)) > 0; })) {
        Held& held = *held_.at(slotOf(key));
        held.drawnFrame = frame_;
        drawn_.push_back(&held.map);
    }
    plan(ranked, view);
    return drawn_;
}

// The tiles worth holding, most wanted first: the chosen tiles and their ancestors (which
// stand in while they load), coarse levels first, within a level nearest first, siblings
// together (a tile is drawn only once all the chosen tiles of its parent are).
template <class Sample>
std::vector<TileKey> TileStreaming<Sample>::rank(const std::vector<TileKey>& chosen, const TileChoiceView& view) const {
    struct Wanted {
        double parentDistance, distance;
        TileKey key;
    };
    std::vector<Slot> slots;
    const int coarsest = static_cast<int>(index_.levels.size()) - 1;
    for (TileKey key : chosen)
        for (;; key = key.parent()) {
            slots.push_back(slotOf(key));
            if (key.level >= coarsest) break;
        }
    std::sort(slots.begin(), slots.end());
    slots.erase(std::unique(slots.begin(), slots.end()), slots.end());
    std::vector<Wanted> wanted;
    for (const Slot& slot : slots) {
        const TileKey key{slot[0], slot[1], slot[2]};
        wanted.push_back({tileDistance(index_, key.parent(), view), tileDistance(index_, key, view), key});
    }
    // Equal distances are ordered by place, so that the order does not depend on the sort.
    std::stable_sort(wanted.begin(), wanted.end(), [](const Wanted& a, const Wanted& b) {
        if (a.key.level != b.key.level) return a.key.level > b.key.level;
        if (a.parentDistance != b.parentDistance) return a.parentDistance < b.parentDistance;
        return a.distance < b.distance;
    });
    std::vector<TileKey> ranked;
    for (const Wanted& w : wanted) ranked.push_back(w.key);
    return ranked;
}

// Loads the most wanted tiles that the budget holds, and releases, while over the budget,
// the tiles not drawn this frame: those no longer wanted first (farthest first), then the
// least wanted.
template <class Sample>
void TileStreaming<Sample>::plan(const std::vector<TileKey>& ranked, const TileChoiceView& view) {
    const std::size_t admitted = admittedTiles();
    std::vector<TileKey> queue;
    for (std::size_t r = 0; r < ranked.size() && r < admitted; ++r)
        if (!held_.count(slotOf(ranked[r])) && !failed_.count(slotOf(ranked[r]))) queue.push_back(ranked[r]);
    loader_.want(std::move(queue));

    if (bytes_ <= budget_) return;
    std::vector<std::pair<std::pair<std::size_t, double>, Slot>> candidates;
    for (const auto& entry : held_) {
        const Held& held = *entry.second;
        if (held.drawnFrame == frame_) continue;
        const std::size_t r = static_cast<std::size_t>(std::find(ranked.begin(), ranked.end(), held.map.key) - ranked.begin());
        candidates.push_back({{r, tileDistance(index_, held.map.key, view)}, entry.first});
    }
    std::sort(candidates.rbegin(), candidates.rend());
    for (const auto& candidate : candidates) {
        if (bytes_ <= budget_) break;
        const auto found = held_.find(candidate.second);
        bytes_ -= found->second->bytes;
        kalde::releaseMapArrays(found->second->map.arrays);
        if (hooks_.released) hooks_.released(found->second->map.key);
        held_.erase(found);
    }
}

template <class Sample>
const TileMap<Sample>* TileStreaming<Sample>::finestAt(double x, double z) const {
    const double column = (x - placement_.x0) / placement_.cellX, row = (placement_.z0 - z) / placement_.cellZ;
    for (int level = 0; level < static_cast<int>(index_.levels.size()); ++level) {
        const double span = static_cast<double>(tileSpan(index_, level));
        const TileKey key{level, static_cast<int>(std::floor(column / span)), static_cast<int>(std::floor(row / span))};
        if (const auto held = held_.find(slotOf(key)); held != held_.end()) return &held->second->map;
    }
    return nullptr;
}

template <class Sample>
float TileStreaming<Sample>::groundHeight(double x, double z) const {
    const TileMap<Sample>* tile = finestAt(x, z);
    return tile ? tileHeightAt(*tile, static_cast<float>(x), static_cast<float>(z)) : kalde::kAbsent;
}

template class TileStreaming<std::int16_t>;
template class TileStreaming<float>;

}  // namespace world
