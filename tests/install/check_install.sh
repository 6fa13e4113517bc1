#!/usr/bin/env bash
# Installs the engine from a build folder into a scratch prefix, then builds the README's
# example program of terrain/terrain.h out of tree against it, as C++20, through the CMake
# package and through pkg-config, and checks that both print what the same program
# written against the plain interface prints.
# Usage: check_install.sh BUILD_DIR EXAMPLE_SOURCE_DIR README SCRATCH_DIR [CXX_FLAGS]
# (CXX_FLAGS: the build's own flags, which an instrumented library needs at link time)
set -euo pipefail
build=$1 example=$2 readme=$3 scratch=$4 flags=${5:-}
rm -rf "$scratch"
mkdir -p "$scratch"
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
for f in include/terrain/terrain.h include/terrain/kalde.h include/terrain/kaldestub.h \
         lib/libkalde.a lib/cmake/kalde/kaldeConfig.cmake lib/pkgconfig/kalde.pc; do
  [ -f "$scratch/prefix/$f" ] || { echo "FAIL: $f was not installed"; exit 1; }
done

# The first C++ block of the README's section on embedding, as it stands.
awk '/^## Embedding the engine/ { section = 1 }
     section && /^```cpp$/ { inside = 1; next }
     inside && /^```$/ { exit }
     inside { print }' "$readme" >"$scratch/readme_example.cpp"
grep -q 'terrain/terrain.h' "$scratch/readme_example.cpp" ||
  { echo "FAIL: no example of terrain/terrain.h in $readme"; exit 1; }

cmake -S "$example" -B "$scratch/example" -DCMAKE_PREFIX_PATH="$scratch/prefix" \
  -DREADME_EXAMPLE="$scratch/readme_example.cpp" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build "$scratch/example" >/dev/null
export PKG_CONFIG_PATH="$scratch/prefix/lib/pkgconfig"
# The package's flags come after the caller's -std=c++20, where a -std of their own would win.
# shellcheck disable=SC2046,SC2086
c++ -std=c++20 $flags "$scratch/readme_example.cpp" "$example/cxx20_check.cpp" \
  $(pkg-config --cflags --libs kalde) -o "$scratch/example_pkgconfig"

plain=$("$scratch/example/plain_example")
[[ $plain =~ ^grid\ 129,\ cell\ 0\.7734$'\n'fans\ [1-9][0-9]*,\ triangles\ [1-9] ]] ||
  { echo "FAIL: the plain example printed:"; echo "$plain"; exit 1; }
for program in "$scratch/example/terrain_example" "$scratch/example_pkgconfig"; do
  output=$("$program")
  if [[ "$(grep -v '^error: ' <<<"$output")" != "$plain" ]] ||
     ! grep -q '^error: View::fovyDegrees is 180; ' <<<"$output"; then
    echo "FAIL: $program printed:"
    echo "$output"
    echo "where the plain interface printed:"
    echo "$plain"
    exit 1
  fi
  echo "PASS: $program: $(tr '\n' ';' <<<"$output")"
done
