#!/usr/bin/env bash
# Installs what is missing, builds, makes the sample data if absent, and opens the
# fly-over. The data lives in ./data: put your own ZovoDiVuviMap.bmp and
# zovodivuvi.jpg there to fly over your own terrain.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-packages.sh run
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target flyover make_sample_terrain

mkdir -p data
# Only into an empty place: a file of the user's is never replaced.
if [ ! -e data/ZovoDiVuviMap.bmp ] && [ ! -e data/zovodivuvi.jpg ]; then
  build/tools/make_sample_terrain/make_sample_terrain --out data
fi
cd data
exec ../build/app/flyover
