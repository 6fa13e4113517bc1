// Fan emission: the refined quadtree of the current map as triangle fans, through the
// caller's callbacks, to the embedding interface's sink or into its arrays, or through
// the built-in renderer's hooks.
#pragma once

#include <cstdint>
#include <vector>

#include "terrain/view.h"

namespace kalde {

// The caller's fan callbacks; the callback path needs begin and vertex, notify may be null.
struct FanCallbacks {
    FanBeginFn begin = nullptr;
    FanVertexFn vertex = nullptr;
    NotifyFn notify = nullptr;
};

// The embedding interface's sink: two functions over its address, in world coordinates.
struct SinkCallbacks {
    void* sink = nullptr;
    void (*begin)(void* sink) = nullptr;
    void (*vertex)(void* sink, float x, float y, float z) = nullptr;
};

// Fans in world coordinates: x, y, z per vertex, the first vertex of each fan, and last
// the vertex count. The positions array keeps its size from pass to pass; what lies
// beyond the count is slack.
struct FanRecording {
    std::vector<float> positions;
    std::vector<std::uint32_t> fanStarts;
};

// Where a pass's fans go: the sink, else the recording, else the callbacks when begin
// and vertex are both set, else the built-in renderer.
struct FanTarget {
    FanCallbacks callbacks;
    const SinkCallbacks* sink = nullptr;
    FanRecording* recording = nullptr;
};

// Where the walk's fans go. Each has notify(i, j, s), begin() and vertex(i, y, j), with
// y the blended elevation in sample units.
struct CallbackFans {
    FanCallbacks callbacks;
    void notify(int i, int j, int s) {
        if (callbacks.notify) callbacks.notify(i, j, s);
    }
    void begin() { callbacks.begin(); }
    void vertex(int i, float y, int j) {
        callbacks.vertex(static_cast<float>(i), y, static_cast<float>(j));
    }
};

// Grid column, elevation and row to world coordinates as kalde.h documents them.
struct GridToWorld {
    template <class Sample>
    explicit GridToWorld(const MapState<Sample>& map)
        : half(map.size / 2),
          cellX(map.cellX),
          cellZ(map.cellZ),
          heightScale(map.heightScale),
          centreX(map.centerX),
          centreY(map.centerY),
          centreZ(map.centerZ) {}
    float x(int i) const { return centreX + static_cast<float>(i - half) * cellX; }
    float y(float elevation) const { return centreY + elevation * heightScale; }
    float z(int j) const { return centreZ - static_cast<float>(j - half) * cellZ; }

    int half;
    float cellX, cellZ, heightScale, centreX, centreY, centreZ;
};

struct SinkFans {
    SinkCallbacks calls;
    GridToWorld world;
    void notify(int, int, int) {}
    void begin() { calls.begin(calls.sink); }
    void vertex(int i, float y, int j) {
        calls.vertex(calls.sink, world.x(i), world.y(y), world.z(j));
    }
};

// Writes through a cursor into the recording's positions, which grow only when full.
class RecordedFans {
public:
    RecordedFans(FanRecording* recording, const GridToWorld& world);
    void notify(int, int, int) {}
    void begin() { recording_->fanStarts.push_back(written()); }
    void vertex(int i, float y, int j) {
        if (cursor_ == limit_) reserve(written());
        cursor_[0] = world_.x(i);
        cursor_[1] = world_.y(y);
        cursor_[2] = world_.z(j);
        cursor_ += 3;
    }
    // Ends the recording with the vertex count.
    void finish() { recording_->fanStarts.push_back(written()); }

private:
    std::uint32_t written() const {
        return static_cast<std::uint32_t>((cursor_ - recording_->positions.data()) / 3);
    }
    // Room for more vertices after the first `vertices`; rare, so kept out of the walk.
    [[gnu::cold, gnu::noinline]] void reserve(std::uint32_t vertices);

    FanRecording* recording_;
    GridToWorld world_;
    float* cursor_ = nullptr;
    float* limit_ = nullptr;
};

// The built-in renderer's walk: no vertex leaves the engine.
struct SilentFans {
    void notify(int, int, int) {}
    void begin() {}
    void vertex(int, float, int) {}
};

// Emits the whole map for the view to the target; the built-in renderer draws between
// the hooks that place it in the world. With a fog map, every fan triangle with fog is
// also collected as a prism for the prism phase.
template <class Sample> void emitLandscape(const ViewState& view, const FanTarget& target);

// Every sample type with every kind of fans above, for the walks' explicit instantiations.
#define KALDE_FOR_EACH_FAN_KIND(X) \
    X(std::int16_t, CallbackFans)  \
    X(std::int16_t, SinkFans)      \
    X(std::int16_t, RecordedFans)  \
    X(std::int16_t, SilentFans)    \
    X(float, CallbackFans)         \
    X(float, SinkFans)             \
    X(float, RecordedFans)         \
    X(float, SilentFans)

// Emits the node (i, j, s) with corner elevations e1..e4 (NE, NW, SW, SE) and its
// subdivided quadrants to fans (one of the kinds above).
template <class Sample, class Fans>
void emitFans(const ViewState& view, Fans& fans, int i, int j, int s, float e1, float e2, float e3,
              float e4);

}  // namespace kalde
