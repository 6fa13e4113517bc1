// kalde: a continuous level-of-detail height-field engine.
//
// The engine is a set of plain functions over module-level state: the current map,
// the view of the current pass, the refinement parameters and the fog prism list.
// That state exists once per sample type (std::int16_t and float); every function
// below is instantiated for both and works on its own type's state.
//
// Not thread safe: because the state is module-level, engine calls for one sample
// type must run one at a time. Callbacks are called synchronously from inside the
// call that drives them and must not call back into the engine.
//
// Failures are never returned. A failed check prints
//   fatal error in <kalde> at line N!
// on standard error and exits with status 1; N is the check's fixed number, listed
// per function below as "16-bit / float".
//
// Coordinates: column i grows with world +x, row j towards world -z. Grid point
// (i, j) of an S x S map lies at world
//   (centerX + (i - S/2) * cellX, centerY + sample * heightScale, centerZ - (j - S/2) * cellZ).
#pragma once

#include <cstdint>

namespace kalde {

using NodeMap = unsigned char**;   // S-1 byte columns of S-1 bytes
using FogMap  = unsigned char**;   // S byte columns of S bytes

// A new triangle fan starts; the next FanVertexFn call is its centre.
using FanBeginFn  = void (*)();
// One fan vertex: grid column i, elevation y in sample units (not height-scaled), grid row j.
using FanVertexFn = void (*)(float i, float y, float j);
// The node centred at (i, j) with edge length s passed culling.
using NotifyFn    = void (*)(int i, int j, int s);
// One vertical edge of a fog prism: ground point (x, y, z), fog roof at yTop.
using PrismEdgeFn = void (*)(float x, float y, float yTop, float z);
// Elevation source for map construction: the sample at column i, row j of an S x S map.
template <class Sample> using ElevationFn = Sample (*)(int i, int j, int S);

constexpr float kAbsent = -3.4028235e38f;   // "no surface here" / absent midpoint

// Builds a map from an N x N grid (element (c, r) at c + r*N) or, when grid is null,
// from elevation(i, j, S). The grid is enlarged to S = 2^k+1 >= N samples (bilinear
// resampling when N != S; grid row N-1-j becomes map row j) and the map becomes the
// current map. Writes S to *size, the rescaled cell size (N-1)*cellSize/(S-1) to
// *cellSize and the node map to *nodeMapOut (when non-null); returns the S+1 sample
// columns (column S holds the per-node-size height bounds). The caller owns the map
// and frees it with releaseMap while it is bound.
// Needs *size >= 2, *cellSize > 0, heightScale >= 0, and a grid or an elevation
// callback. Fatal: 181 / 2535 bad arguments, 193 / 2547 and 195 / 2549 out of memory,
// 200 / 2554 neither grid nor callback, 206 / 2560 and 208 / 2562 out of memory,
// 82 (16-bit only) a sample differs from a node centre by 32768 or more; with a
// minRefineFactor near 1 the roughness carried to larger nodes can fail: 88 / 2442 a
// share above 1, 114 / 2468 a node out of its reach (cell aspect far from 1).
template <class Sample>
Sample** buildMap(const Sample* grid, NodeMap* nodeMapOut, int* size, float* cellSize,
                  float heightScale, float cellAspect, ElevationFn<Sample> elevation);

// Attaches an n x n fog-thickness image to the current map; returns the fog map, or
// null (changing nothing) when fogImage is null.
// Fatal: 364 / 2711 no map, 368 / 2715 n < 2, 369 / 2716 fogScale <= 0, fogOffset < 0
// or prismDrawParam < 0, 370 / 2717 fogWeight < 0, 372 / 2719 map already has fog,
// 373 / 2720 and 375 / 2722 out of memory, 300 / 2652 heightScale = 0,
// 305 (16-bit only) the raised height bounds reach 32767, and the roughness checks of
// buildMap for the fog's roughness (88 / 2442, 114 / 2468).
template <class Sample>
FogMap buildFogMap(const unsigned char* fogImage, int n, float fogScale, float fogOffset,
                   float prismDrawParam, float fogWeight,
                   float fogExtra1, float fogExtra2, float fogExtra3);

// Makes a saved map current: copies the 21 values into the module-level map state.
// neighbourMaps / neighbourSizes hold 4 entries (west, east, south, north) or are
// null; null clears the neighbour maps and leaves the stored sizes as they were.
// Constant time, no allocation.
template <class Sample>
void bindMapState(Sample** columns, NodeMap nodeMap, int size, float cellX, float heightScale,
                  int textureId, int textureWidth, int textureHeight, float cellAspect,
                  float centerX, float centerY, float centerZ,
                  const NodeMap* neighbourMaps,   // 4 entries, or nullptr
                  const int* neighbourSizes,      // 4 entries, or nullptr
                  FogMap fogMap, float fogScale, float fogOffset, float prismDrawParam,
                  float fogExtra1, float fogExtra2, float fogExtra3);

// Frees every array of the current map and leaves no map current.
// Fatal: 2332 / 4679 no current map.
template <class Sample> void releaseMap();

// Sets the refinement parameters. Values set before the first map are kept by every
// later buildMap; after that, calls made while a map exists are ignored. Otherwise
// buildMap installs the defaults (9.0, 100.0, 0.5, 8).
// Needs minRefineFactor >= 1, maxRoughness > 0, slopeWeight >= 0, cullDepth >= 0.
// Fatal: 12 / 2366 a value out of range (NaN included).
template <class Sample> void setRefinementParams(float minRefineFactor, float maxRoughness,
                                                 float slopeWeight, int cullDepth);

// Binds (image non-null) or clears (image null) the built-in renderer's texture of
// the current map through the render hooks; the hook may adjust *width and *height.
// Fatal: 232 / 2586 no map, 238 / 2592 width or height below 2.
template <class Sample> void setTexture(void* image, int* width, int* height);

// Draws the current map for one view. fovy in degrees (0 < fovy < 180) selects a
// perspective view; fovy < 0 an orthographic view abs(fovy) units high. Fans go to
// fanBegin / fanVertex when both are non-null, otherwise to the built-in renderer.
// phase: 0 all, 1 refinement, 2 tessellation, 3 fog prisms; others do nothing.
// Fatal: 1897 / 4244 no map, 1900 / 4247 bad fovy, aspect, near or far,
// 1904 / 4251 zero view direction, 1941 / 4288, 1946 / 4293 and 1955, 1967, 1979,
// 1991 / 4302, 4314, 4326, 4338 degenerate perspective view, 2003 / 4350 and
// 2008 / 4355 degenerate orthographic view; with a fog map, 738 / 3085 and
// 745 / 3092 out of memory for the fog prisms.
template <class Sample>
void runLandscapePass(float res,
                      float ex, float ey, float ez,      // eye
                      float lx, float ly, float lz,      // level-of-detail viewpoint
                      float dx, float dy, float dz,      // view direction
                      float ux, float uy, float uz,      // up
                      float fovy, float aspect, float nearDist, float farDist,
                      FanBeginFn fanBegin, FanVertexFn fanVertex, NotifyFn notify,
                      PrismEdgeFn prismEdge, int phase);

// Queries on the current map: constant time, no allocation.
// sample(i, j) * heightScale. Fatal: 2108 / 4455 no map, 2110 / 4457 i or j outside 0..S-1.
template <class Sample> float sampleHeightAt(int i, int j);
// Height of the full-resolution surface at world (x, z) (each cell split along an
// alternating diagonal), plus centerY; kAbsent outside the map. Fatal: 2122 / 4469 no map.
template <class Sample> float heightAt(float x, float z);
// Fog-layer thickness at world (x, z) plus centerY; kAbsent outside the map or
// without a fog map. Fatal: 2180 / 4527 no map.
template <class Sample> float fogThicknessAt(float x, float z);
// Unit upward surface normal at world (x, z); (0, 0, 0) outside the map.
// Fatal: 2245 / 4592 no map, 2321 / 4668 the normal has zero length.
template <class Sample> void  normalAt(float x, float z, float* nx, float* ny, float* nz);
// heightAt of the map point nearest to (centerX + dx, centerZ + dz).
template <class Sample> float heightAtClamped(float dx, float dz);

}  // namespace kalde
