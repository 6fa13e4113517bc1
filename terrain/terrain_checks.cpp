#include "terrain/terrain_checks.h"

#include <cmath>
#include <sstream>
#include <string>

#include "terrain/fatal.h"

namespace kalde {

namespace {

// The largest grid whose samples the engine can index.
constexpr int kMaxGridSide = 32769;
constexpr float kMaxFovy = 180.0f;

template <class... Parts>
[[noreturn]] void fail(const Parts&... parts) {
    std::ostringstream message;
    (message << ... << parts);
    throw Error(message.str());
}

bool finite(const Point& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

std::string text(const Point& p) {
    std::ostringstream out;
    out << '(' << p.x << ", " << p.y << ", " << p.z << ')';
    return out.str();
}

void checkPoint(const char* name, const Point& p, bool mayBeZero, const char* whatToDo) {
    if (!finite(p)) fail(name, " is ", text(p), "; every coordinate must be finite");
    if (!mayBeZero && p.x == 0.0f && p.y == 0.0f && p.z == 0.0f)
        fail(name, " is ", text(p), "; ", whatToDo);
}

}  // namespace

void checkGrid(const void* samples, int n, float cellSize, float heightScale) {
    if (!samples) fail("Terrain::fromGrid: samples is null; pass n * n samples");
    if (n < 2 || n > kMaxGridSide)
        fail("Terrain::fromGrid: n is ", n, "; a terrain has 2 to ", kMaxGridSide,
             " samples a side (split larger ones into tiles, see setNeighbours)");
    if (!(std::isfinite(cellSize) && cellSize > 0.0f))
        fail("Terrain::fromGrid: cellSize is ", cellSize,
             "; it must be a finite distance above 0");
    if (!(std::isfinite(heightScale) && heightScale >= 0.0f))
        fail("Terrain::fromGrid: heightScale is ", heightScale, "; it must be finite and 0 or above");
}

void checkView(const View& v) {
    checkPoint("View::eye", v.eye, true, "");
    checkPoint("View::direction", v.direction, false, "give the direction of view a length");
    checkPoint("View::up", v.up, false, "give an up vector at an angle to the direction");
    if (!(v.fovyDegrees > 0.0f && v.fovyDegrees < kMaxFovy))
        fail("View::fovyDegrees is ", v.fovyDegrees, "; it must lie between 0 and ", kMaxFovy,
             " (both excluded)");
    if (!(std::isfinite(v.aspect) && v.aspect > 0.0f))
        fail("View::aspect is ", v.aspect, "; it must be a finite width / height above 0");
    if (!(std::isfinite(v.nearDist) && std::isfinite(v.farDist) && v.nearDist >= 0.0f &&
          v.farDist > v.nearDist))
        fail("View::nearDist is ", v.nearDist, " and farDist ", v.farDist,
             "; they must be finite, with 0 <= nearDist < farDist");
    if (!std::isfinite(v.resolution))
        fail("View::resolution is ", v.resolution, "; it must be finite");
}

void checkCentre(const Point& centre) {
    checkPoint("Terrain::setCentre: centre", centre, true, "");
}

template <class Sample>
void throwForEngineCheck(int line) {
    const FatalLines& lines = fatalLines<Sample>();
    const auto is = [line](std::initializer_list<int> candidates) {
        for (int candidate : candidates)
            if (candidate == line) return true;
        return false;
    };
    if (line == lines.maxDiffOverflow)
        fail("Terrain::fromGrid: two samples differ by 32768 or more, more than the 16-bit "
             "variant's height bounds hold; use Terrain<float>, or samples of a smaller range");
    if (is({lines.columnArrayAlloc, lines.columnAlloc, lines.nodeMapArrayAlloc,
            lines.nodeMapColumnAlloc}))
        fail("Terrain::fromGrid: out of memory for the map; use a smaller grid, or split it "
             "into tiles (see setNeighbours)");
    if (line == lines.passViewDirection)
        fail("View::direction is too short to normalise; give it a length of ordinary size");
    if (is({lines.perspectiveRight, lines.perspectiveUp, lines.perspectivePlane[0],
            lines.perspectivePlane[1], lines.perspectivePlane[2], lines.perspectivePlane[3]}))
        fail("the view is degenerate: View::up is parallel to View::direction (or one of them "
             "is too short); give an up vector clearly at an angle to the direction");
    fail("kalde: the engine's check ", line,
         " failed on arguments that this interface let through; this is a fault in kalde, "
         "please report it with the call's arguments");
}

template void throwForEngineCheck<std::int16_t>(int);
template void throwForEngineCheck<float>(int);

}  // namespace kalde
