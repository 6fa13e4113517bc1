#!/usr/bin/env bash
# Installs the engine from a build folder into a scratch prefix, builds the example
# program out of tree against it (CMake package and pkg-config), runs both builds and
# checks what they print.
# Usage: check_install.sh BUILD_DIR EXAMPLE_SOURCE_DIR SCRATCH_DIR [CXX_FLAGS]
# (CXX_FLAGS: the build's own flags, which an instrumented library needs at link time)
set -euo pipefail
build=$1 example=$2 scratch=$3 flags=${4:-}
rm -rf "$scratch"
mkdir -p "$scratch"
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
for f in include/terrain/kalde.h include/terrain/kaldestub.h lib/libkalde.a \
         lib/cmake/kalde/kaldeConfig.cmake lib/pkgconfig/kalde.pc; do
  [ -f "$scratch/prefix/$f" ] || { echo "FAIL: $f was not installed"; exit 1; }
done

cmake -S "$example" -B "$scratch/example" -DCMAKE_PREFIX_PATH="$scratch/prefix" \
  -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build "$scratch/example" >/dev/null
PKG_CONFIG_PATH="$scratch/prefix/lib/pkgconfig" \
  c++ $flags "$example/main.cpp" $(PKG_CONFIG_PATH="$scratch/prefix/lib/pkgconfig" pkg-config --cflags --libs kalde) \
  -o "$scratch/example_pkgconfig"

expected='^grid 65, cell 0\.9844
fans [1-9][0-9]*, triangles [1-9][0-9]*
height at centre 50\.00$'
for program in "$scratch/example/kalde_example" "$scratch/example_pkgconfig"; do
  output=$("$program")
  if [[ ! $output =~ $expected ]]; then
    echo "FAIL: $program printed:"
    echo "$output"
    exit 1
  fi
  echo "PASS: $program: $(tr '\n' ';' <<<"$output")"
done
