#!/usr/bin/env bash
# A world flown in a real window: a scripted flight across three tile borders with a
# screenshot, its summary line, and the refusals of a folder that is no world.
# Arguments: flyover make_sample_terrain dem_to_world artefact-folder
set -euo pipefail
flyover=$1
make_sample=$2
dem_to_world=$3
out=$4
rm -rf "$out"
mkdir -p "$out"
cd "$out"

# 1025 x 1025 heights 10 m apart, in 8 x 8 tiles of 128 cells and 4 levels.
"$make_sample" --raster sample.tif --width 1025 >/dev/null
"$dem_to_world" sample.tif --out world --tile 129 >/dev/null

# East from column 100 to 400 at 1000 m/s for 90 frames of 1/30 s: 3 km, 300 samples,
# across the borders at columns 128, 256 and 384. Column 400 and row 600 are samples of
# every level, so the ground there is the same whichever level has arrived: sample
# (16, 88) of tile 3_4, read from its file.
line=$("$flyover" world --frames 90 --fly 1000 --heading 90 --pitch -45 --height 3000 --at 100,600 \
  --memory 64 --screenshot flight.png | tail -n 1)
echo "$line"
[[ $line =~ ^frames=90\ triangles=[1-9][0-9]*\ ground_m=([0-9.]+)\ at=400.00,600.00\ frame_ms_median=[0-9.]+\ frame_ms_p99=[0-9.]+$ ]] \
  || { echo "unexpected summary: $line"; exit 1; }
expected=$(od -An -t d2 -j $(((88 * 129 + 16) * 2)) -N 2 world/0/3_4.heights | tr -d ' ')
[[ ${BASH_REMATCH[1]} == "$expected.00" ]] || { echo "ground_m ${BASH_REMATCH[1]}, expected $expected"; exit 1; }
[[ $(stat -c %s flight.png) -gt 20000 ]] || { echo "the screenshot is missing or blank"; exit 1; }

# A folder without an index, and a start outside the world: one line each, status 1.
mkdir -p empty
if "$flyover" empty --frames 1 --driver null 2>err.txt; then echo "an empty folder was flown"; exit 1; fi
grep -q "world.txt" err.txt || { echo "no clear message for an empty folder: $(cat err.txt)"; exit 1; }
if "$flyover" world --frames 1 --driver null --at 5000,5 2>err.txt; then echo "--at outside was flown"; exit 1; fi
grep -q "^flyover: --at lies outside the world" err.txt || { echo "unexpected: $(cat err.txt)"; exit 1; }
echo "world flight: all checks passed"
