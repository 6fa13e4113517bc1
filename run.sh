#!/usr/bin/env bash
# Installs what is missing, builds and opens the fly-over. Without arguments it flies the
# sample in ./data, made there when neither file is there (put your own
# ZovoDiVuviMap.bmp and zovodivuvi.jpg there instead). With arguments they go to the
# fly-over: ./run.sh N48E009.hgt flies that elevation file at true scale, and
# ./run.sh --help lists the options and keys.
set -euo pipefail
start=$PWD
cd "$(dirname "$0")"
here=$PWD

tools/install-packages.sh run
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
if [ $# -gt 0 ]; then
  cmake --build build -j"$(nproc)" --target flyover >&2   # stdout is the fly-over's
  cd "$start"
  exec "$here/build/app/flyover" "$@"
fi
cmake --build build -j"$(nproc)" --target flyover make_sample_terrain

mkdir -p data
# Only into an empty place: a file of the user's is never replaced.
if [ ! -e data/ZovoDiVuviMap.bmp ] && [ ! -e data/zovodivuvi.jpg ]; then
  build/tools/make_sample_terrain/make_sample_terrain --out data
fi
cd data
exec ../build/app/flyover
