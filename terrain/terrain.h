// kalde's embedding interface: a terrain is a value you own, a view is a struct, fans go
// to a sink object of yours or come back as an indexed mesh, and every mistake is an
// exception.
//
//     std::vector<std::int16_t> heights(n * n);   // element (c, r) at c + r*n
//     auto terrain = kalde::Terrain<std::int16_t>::fromGrid(heights.data(), n, 1.0f, 0.2f);
//     kalde::View view;
//     view.eye = {0, 50, 0};
//     view.direction = {0, -1, -1};
//     kalde::Mesh mesh = terrain.mesh(view);
//
// World coordinates are those of terrain/kalde.h: the map's centre at the origin (or at
// setCentre's point), y = sample * heightScale, the grid's columns along +x and its rows
// along +z (see fromGrid).
//
// Errors: every bad argument, degenerate view or failed allocation throws kalde::Error
// (what() says what was wrong and what to do); nothing here ends the process, and the
// terrain and the engine stay usable after an exception.
//
// Threads: any Terrain objects, the same one included, may be used from several threads
// at once. Calls into the engine's shared state (one per sample type) are serialised
// inside this interface, a draw's sink included. The lock does not cover direct calls of
// terrain/kalde.h or terrain/kaldestub.h made at the same time on another thread. Calls
// here leave the plain interface's current map and refinement parameters as they found
// them.
#pragma once

#if __cplusplus < 201703L
#error "terrain/terrain.h needs C++17 or later: compile with -std=c++17 (or a later standard)"
#endif

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <type_traits>
#include <vector>

namespace kalde {

struct Point {
    float x, y, z;
};

// A perspective view.
struct View {
    Point eye{0, 0, 0};
    Point direction{0, 0, -1};        // need not be unit length
    Point up{0, 1, 0};                // at an angle to direction
    float fovyDegrees = 60.0f;        // 0 < fovy < 180
    float aspect = 4.0f / 3.0f;       // width / height, above 0
    float nearDist = 1.0f, farDist = 1000.0f;   // 0 <= near < far
    // Detail: the engine's res; 1 and below draw the coarsest mesh that the view allows,
    // each factor of 4 roughly doubles the triangles along each axis. All fields finite.
    float resolution = 1000.0f;
};

// One view's tessellation as an indexed triangle list.
struct Mesh {
    std::vector<float> positions;           // x, y, z world coordinates per vertex
    std::vector<std::uint32_t> indices;     // 3 per triangle, counter-clockwise seen from above (+y)
};

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

namespace detail {
// A sink as two plain functions over its address, which the engine's pass calls.
struct SinkCalls {
    void* sink;
    void (*beginFan)(void* sink);
    void (*vertex)(void* sink, float x, float y, float z);
};
}  // namespace detail

template <class Sample>   // std::int16_t or float
class Terrain {
    static_assert(std::is_same_v<Sample, std::int16_t> || std::is_same_v<Sample, float>,
                  "kalde::Terrain holds std::int16_t or float samples");

public:
    // A terrain from n x n samples, element (c, r) at c + r*n, as buildMap takes them:
    // 2 <= n <= 32769, cellSize > 0 (world distance between samples), heightScale >= 0
    // (world height of one sample unit). Sample (c, r) lies at world
    // x = (c - (n-1)/2) * cellSize, z = (r - (n-1)/2) * cellSize; where n is not 2^k+1,
    // the grid is resampled bilinearly to S = 2^k+1 samples over the same extent. Float
    // samples may be NaN or infinite; they pass through to the heights. Throws Error.
    static Terrain fromGrid(const Sample* samples, int n, float cellSize, float heightScale);

    Terrain(Terrain&&) noexcept;
    Terrain& operator=(Terrain&&) noexcept;   // not copyable
    ~Terrain();

    int size() const;         // the engine's grid size S = 2^k+1
    float cellSize() const;   // the rescaled cell size (n-1) * cellSize / (S-1)

    // The fans of one pass for the view, as an indexed triangle list: exactly the fans'
    // triangles, (centre, previous, current) for each fan vertex after the second, with
    // vertices shared wherever a position repeats. Throws Error.
    Mesh mesh(const View& view);

    // One pass for the view: sink.beginFan() starts each fan, then sink.vertex(x, y, z)
    // once per fan vertex in world coordinates; the first vertex is the fan's centre and
    // each later one closes the triangle (centre, previous, this), counter-clockwise seen
    // from above. The sink is any object with those two members, called inline as the
    // pass runs (under the engine's lock): it must not call into kalde, which throws
    // Error if it does. An exception from the sink leaves draw and the terrain usable.
    // Throws Error before the sink sees anything for a bad view.
    template <class Sink>
    void draw(const View& view, Sink& sink);

    // Refines the terrain for the view without emitting it. Tiles joined by
    // setNeighbours read each other's refinement: refine every tile for a frame's view
    // before drawing any, so that their shared edges match. Throws Error.
    void refine(const View& view);

    // Height of the full-resolution surface at world (x, z); nullopt off the map.
    std::optional<float> heightAt(float x, float z) const;

    // Places the map's centre (default: the origin); moves the heights by centre.y.
    void setCentre(Point centre);

    // Joins this tile to the tiles beside it (null: none on that side), so that tiles of
    // different sizes meet without cracks: each edge must hold the same heights in both
    // tiles, and their sizes differ by a power of two along it. A neighbour destroyed
    // later counts as none.
    void setNeighbours(const Terrain* west, const Terrain* east, const Terrain* south,
                       const Terrain* north);

private:
    struct Map;   // the engine's arrays and the map's placement, in the library
    explicit Terrain(std::shared_ptr<Map> map);
    void drawTo(const View& view, const detail::SinkCalls& sink);
    // One pass for the view, its fans to the target (defined and used in the library).
    template <class Target> void pass(const View& view, const Target& target, int phase);
    Map& map() const;   // throws for a terrain that was moved from

    std::shared_ptr<Map> map_;
};

template <class Sample>
template <class Sink>
void Terrain<Sample>::draw(const View& view, Sink& sink) {
    using Object = std::remove_reference_t<Sink>;
    const detail::SinkCalls calls{
        const_cast<void*>(static_cast<const void*>(std::addressof(sink))),
        [](void* s) { static_cast<Object*>(s)->beginFan(); },
        [](void* s, float x, float y, float z) { static_cast<Object*>(s)->vertex(x, y, z); }};
    drawTo(view, calls);
}

extern template class Terrain<std::int16_t>;
extern template class Terrain<float>;

}  // namespace kalde
