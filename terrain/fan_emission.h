// Fan emission: the refined quadtree of the current map as triangle fans, through the
// caller's callbacks, into arrays for the embedding interface, or through the built-in
// renderer's hooks.
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

// A pass's fans in world coordinates (the mapping documented in kalde.h).
struct FanRecording {
    std::vector<float>& positions;             // x, y, z per vertex
    std::vector<std::uint32_t>& fanStarts;     // the first vertex of each fan
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

class RecordedFans {
public:
    template <class Sample>
    RecordedFans(FanRecording recording, const MapState<Sample>& map)
        : positions_(recording.positions),
          fanStarts_(recording.fanStarts),
          half_(map.size / 2),
          cellX_(map.cellX),
          cellZ_(map.cellZ),
          heightScale_(map.heightScale),
          centreX_(map.centerX),
          centreY_(map.centerY),
          centreZ_(map.centerZ) {}
    void notify(int, int, int) {}
    void begin() { fanStarts_.push_back(static_cast<std::uint32_t>(positions_.size() / 3)); }
    void vertex(int i, float y, int j) {
        positions_.push_back(centreX_ + static_cast<float>(i - half_) * cellX_);
        positions_.push_back(centreY_ + y * heightScale_);
        positions_.push_back(centreZ_ - static_cast<float>(j - half_) * cellZ_);
    }

private:
    std::vector<float>& positions_;
    std::vector<std::uint32_t>& fanStarts_;
    int half_;
    float cellX_, cellZ_, heightScale_, centreX_, centreY_, centreZ_;
};

// The built-in renderer's walk: no vertex leaves the engine.
struct SilentFans {
    void notify(int, int, int) {}
    void begin() {}
    void vertex(int, float, int) {}
};

// Emits the whole map for the view through the callbacks when begin and vertex are both
// set, else through the built-in renderer between the hooks that place it in the world.
// With a fog map, every fan triangle with fog is also collected as a prism for the prism
// phase.
template <class Sample> void emitLandscape(const ViewState& view, const FanCallbacks& callbacks);
// The same fans (and prisms) into the recording.
template <class Sample> void recordLandscape(const ViewState& view, FanRecording recording);

// Emits the node (i, j, s) with corner elevations e1..e4 (NE, NW, SW, SE) and its
// subdivided quadrants to fans (CallbackFans, RecordedFans or SilentFans).
template <class Sample, class Fans>
void emitFans(const ViewState& view, const Fans& fans, int i, int j, int s, float e1, float e2,
              float e3, float e4);

}  // namespace kalde
