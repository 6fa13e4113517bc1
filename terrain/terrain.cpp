// The embedding interface over the engine: each terrain keeps its own map and makes it
// current for the length of one call, inside a session that holds the engine's lock,
// turns failed checks into exceptions and leaves the plain interface's state as it was.
#include "terrain/terrain.h"

#include <mutex>

#include "terrain/fatal.h"
#include "terrain/kalde.h"
#include "terrain/landscape_pass.h"
#include "terrain/mesh_from_fans.h"
#include "terrain/terrain_checks.h"

namespace kalde {

namespace {

// The façade's maps have square cells and neither texture nor fog.
constexpr float kSquareCells = 1.0f;
constexpr int kSides = 4;   // west, east, south, north

template <class Sample>
std::mutex& engineMutex() {
    static std::mutex mutex;
    return mutex;
}

// Whether this thread is inside a call here: a sink that calls back would otherwise wait
// for the lock it holds, or disturb the pass it runs in.
thread_local bool inCall = false;

template <class Sample>
std::unique_lock<std::mutex> lockEngine() {
    if (inCall)
        throw Error("kalde::Terrain called from inside a draw's sink; a sink must not call into "
                    "kalde: keep what it needs and make the call after draw returns");
    return std::unique_lock<std::mutex>(engineMutex<Sample>());
}

// One call's hold on a sample type's engine: its lock, the refinement parameters every
// terrain here is built and refined with (the defaults), and failed checks as exceptions.
// Puts the engine's state and the thread's check handler back when it ends.
template <class Sample>
class EngineSession {
public:
    EngineSession()
        : lock_(lockEngine<Sample>()), saved_(state<Sample>()), savedHandler_(checkHandler()) {
        inCall = true;
        state<Sample>().params = RefinementParams{};
        checkHandler() = throwForEngineCheck<Sample>;
    }
    ~EngineSession() {
        state<Sample>() = saved_;
        checkHandler() = savedHandler_;
        inCall = false;
    }
    EngineSession(const EngineSession&) = delete;
    EngineSession& operator=(const EngineSession&) = delete;

private:
    std::unique_lock<std::mutex> lock_;
    EngineState<Sample> saved_;
    CheckHandler savedHandler_;
};

}  // namespace

template <class Sample>
struct Terrain<Sample>::Map {
    Sample** columns = nullptr;
    NodeMap nodeMap = nullptr;
    int size = 0;
    float cellSize = 0.0f;
    float heightScale = 0.0f;
    // Written and read under the engine's lock.
    Point centre{0.0f, 0.0f, 0.0f};
    std::weak_ptr<const Map> neighbours[kSides];

    Map() = default;
    Map(const Map&) = delete;
    Map& operator=(const Map&) = delete;
    ~Map() {
        if (!columns) return;
        EngineSession<Sample> session;
        bind(nullptr, nullptr);
        releaseMap<Sample>();
    }

    // Makes this map current, with the neighbours' node maps and sizes (or none).
    void bind(const NodeMap* neighbourMaps, const int* neighbourSizes) const {
        bindMapState<Sample>(columns, nodeMap, size, cellSize, heightScale, 0, 0, 0, kSquareCells,
                             centre.x, centre.y, centre.z, neighbourMaps, neighbourSizes, nullptr,
                             0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    }
};

template <class Sample>
Terrain<Sample> Terrain<Sample>::fromGrid(const Sample* samples, int n, float cellSize,
                                          float heightScale) {
    checkGrid(samples, n, cellSize, heightScale);
    auto map = std::make_shared<Map>();
    int size = n;
    float cell = cellSize;
    EngineSession<Sample> session;
    map->columns = buildMap<Sample>(samples, &map->nodeMap, &size, &cell, heightScale,
                                    kSquareCells, nullptr);
    map->size = size;
    map->cellSize = cell;
    map->heightScale = heightScale;
    return Terrain(std::move(map));
}

template <class Sample>
Terrain<Sample>::Terrain(std::shared_ptr<Map> map) : map_(std::move(map)) {}
template <class Sample>
Terrain<Sample>::Terrain(Terrain&&) noexcept = default;
template <class Sample>
Terrain<Sample>& Terrain<Sample>::operator=(Terrain&&) noexcept = default;
template <class Sample>
Terrain<Sample>::~Terrain() = default;

template <class Sample>
typename Terrain<Sample>::Map& Terrain<Sample>::map() const {
    if (!map_) throw Error("kalde::Terrain: this terrain was moved from; assign it a terrain first");
    return *map_;
}

template <class Sample>
int Terrain<Sample>::size() const {
    return map().size;
}

template <class Sample>
float Terrain<Sample>::cellSize() const {
    return map().cellSize;
}

template <class Sample>
template <class Target>
void Terrain<Sample>::pass(const View& view, const Target& target, int phase) {
    checkView(view);
    const Map& map = this->map();
    // Neighbours are held past the session: one whose terrain is gone meanwhile is then
    // released here, which takes the lock again.
    std::shared_ptr<const Map> neighbours[kSides];
    EngineSession<Sample> session;
    NodeMap neighbourMaps[kSides] = {};
    int neighbourSizes[kSides] = {};
    for (int k = 0; k < kSides; ++k) {
        neighbours[k] = map.neighbours[k].lock();
        if (!neighbours[k]) continue;
        neighbourMaps[k] = neighbours[k]->nodeMap;
        neighbourSizes[k] = neighbours[k]->size;
    }
    map.bind(neighbourMaps, neighbourSizes);
    const auto vec = [](const Point& p) { return Vec3{p.x, p.y, p.z}; };
    // The eye is also the level-of-detail viewpoint.
    const PassCamera camera{view.resolution, vec(view.eye),   vec(view.eye),
                            vec(view.direction), vec(view.up), view.fovyDegrees,
                            view.aspect,       view.nearDist, view.farDist};
    runPass<Sample>(camera, target, nullptr, phase);
}

template <class Sample>
void Terrain<Sample>::drawTo(const View& view, const detail::SinkCalls& calls) {
    const SinkCallbacks sink{calls.sink, calls.beginFan, calls.vertex};
    FanTarget target;
    target.sink = &sink;
    pass(view, target, kAllPhases);
}

template <class Sample>
Mesh Terrain<Sample>::mesh(const View& view) {
    FanRecording fans;
    FanTarget target;
    target.recording = &fans;
    pass(view, target, kAllPhases);
    return meshFromFans(fans);
}

template <class Sample>
void Terrain<Sample>::refine(const View& view) {
    pass(view, FanTarget{}, kRefinement);
}

template <class Sample>
std::optional<float> Terrain<Sample>::heightAt(float x, float z) const {
    const Map& map = this->map();
    EngineSession<Sample> session;
    map.bind(nullptr, nullptr);
    const float height = kalde::heightAt<Sample>(x, z);
    if (height == kAbsent) return std::nullopt;
    return height;
}

template <class Sample>
void Terrain<Sample>::setCentre(Point centre) {
    checkCentre(centre);
    Map& map = this->map();
    const auto lock = lockEngine<Sample>();
    map.centre = centre;
}

template <class Sample>
void Terrain<Sample>::setNeighbours(const Terrain* west, const Terrain* east, const Terrain* south,
                                    const Terrain* north) {
    Map& map = this->map();
    const Terrain* sides[kSides] = {west, east, south, north};
    std::weak_ptr<const Map> neighbours[kSides];
    for (int k = 0; k < kSides; ++k)
        if (sides[k]) {
            sides[k]->map();   // refuses a terrain that was moved from
            neighbours[k] = sides[k]->map_;
        }
    const auto lock = lockEngine<Sample>();
    for (int k = 0; k < kSides; ++k) map.neighbours[k] = neighbours[k];
}

template class Terrain<std::int16_t>;
template class Terrain<float>;

}  // namespace kalde
