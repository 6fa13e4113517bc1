#!/usr/bin/env bash
# Builds and runs the full benchmark: prints the table, writes the figures as CSV to
# build/bench-results/ and draws docs/quality_vs_cost.png. About 10 minutes on 2 cores.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-packages.sh bench
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target flyover_bench

results=build/bench-results
mkdir -p "$results" docs
build/bench/flyover_bench --csv "$results/results.csv" --curves "$results/curves.dat" "$@" |
  tee "$results/table.txt"
terrain=$(sed -n 's/^== quality against cost: \(.*\) ==$/\1/p' "$results/table.txt")
cpu=$(sed -n 's/^flyover_bench on \([^,]*\),.*/\1/p' "$results/table.txt")
gnuplot -e "curves='$results/curves.dat'; out='docs/quality_vs_cost.png'; title='$terrain'; cpu='$cpu'" \
  bench/quality_vs_cost.gp
echo "wrote $results/results.csv, $results/table.txt and docs/quality_vs_cost.png"
