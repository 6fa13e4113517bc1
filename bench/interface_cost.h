// What the embedding interface (terrain/terrain.h) costs against the plain callbacks.
#pragma once

#include "bench_terrains.h"
#include "engine_runs.h"
#include "report.h"

namespace bench {

// Flies one terrain's path flights times with three sides alternating frame by frame:
// the plain pass through function callbacks that turn each vertex into world
// coordinates, Terrain::draw into an inlined sink doing the same, and Terrain::mesh.
// Each frame keeps its fastest time per side; reports ns per triangle and the ratios.
void interfaceCost(Report& r, const BenchTerrain& t, const DrawParams& draw, int frames,
                   int flights);

}  // namespace bench
