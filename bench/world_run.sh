#!/usr/bin/env bash
# Builds and runs the world benchmark: a 16385 x 16385 world of tiles against a single
# 4097 x 4097 map cut from the same heights, flown along the same path by the fly-over.
# Makes the data in build/bench-world/ the first time (about 5 minutes and 1 GB of disk on
# 2 cores), prints the table, writes the figures to build/bench-world/results/ and draws
# docs/world_flight.png. Arguments go to world_bench (e.g. --repetitions 5).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-packages.sh bench
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target world_bench flyover make_sample_terrain dem_to_world

data=build/bench-world
mkdir -p "$data" docs
if [ ! -f "$data/world/world.txt" ]; then
  [ -f "$data/heights.tif" ] ||
    build/tools/make_sample_terrain/make_sample_terrain --raster "$data/heights.tif" --width 16385
  build/tools/dem_to_world/dem_to_world "$data/heights.tif" --out "$data/world"
fi
# The middle 4097 x 4097 samples: level-0 pixel (c, r) of the world is (c - 6144, r - 6144) here.
[ -f "$data/single.tif" ] ||
  gdal_translate -q -srcwin 6144 6144 4097 4097 "$data/heights.tif" "$data/single.tif"

results=$data/results
build/bench/world_bench --world "$data/world" --single "$data/single.tif" --at 6300,9100 --single-at 156,2956 \
  --repetitions 3 --out "$results" "$@" | tee "$results.txt"
cpu=$(sed -n 's/^world_bench on \([^,]*\),.*/\1/p' "$results.txt")
gnuplot -e "data='$results/path.dat'; out='docs/world_flight.png'; cpu='$cpu'; \
  title='A 16385^2 world of 1025^2 tiles against one 4097^2 map, along the same 36 km'" bench/world_flight.gp
echo "wrote $results.txt, $results/ and docs/world_flight.png"
