#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: first the normal
# build, then the whole suite again built with AddressSanitizer and
# UndefinedBehaviorSanitizer, then the world's loader tests under ThreadSanitizer, then
# the fuzz targets for 40 seconds each. Screenshots and
# other test artefacts land in build/test-artefacts.
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc)

tools/install-packages.sh test
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

# The same suite under the sanitizers; any report fails the run.
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON \
  -DCMAKE_CXX_FLAGS="$sanitize" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build-sanitize -j"$jobs"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:exitcode=99"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer-suppressions.txt:print_suppressions=0"
(cd build-sanitize && ctest --output-on-failure -j"$jobs")

# The world's loader thread beside the frame loop under ThreadSanitizer: tiles are read and
# built while frames are drawn; any report fails the run.
cmake -S . -B build-thread -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON \
  -DCMAKE_CXX_FLAGS="-fsanitize=thread" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
cmake --build build-thread -j"$jobs" --target world_stream_tests
TSAN_OPTIONS="halt_on_error=1:exitcode=66" build-thread/tests/world/world_stream_tests --gtest_filter='TileStreaming*'

# The fuzz targets, 40 seconds each (clang's libFuzzer); a crash or leak fails the run.
fuzz/run.sh build-fuzz 40
