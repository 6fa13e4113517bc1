#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test. Screenshots and
# other test artefacts land in build/test-artefacts.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-packages.sh test
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON >/dev/null
cmake --build build -j"$(nproc)"
cd build
ctest --output-on-failure -j"$(nproc)"
