#!/usr/bin/env bash
# Installs the Debian packages the project needs, where they are missing.
# Usage: tools/install-packages.sh [run|test|bench]   (run: enough to build and fly;
# bench: the tests' packages and the plotting tool for the benchmark)
set -euo pipefail

run_packages=(g++ cmake make libirrlicht-dev libjpeg-dev libpng-dev libgdal-dev libgl1-mesa-dri)
test_packages=(libgtest-dev libbenchmark-dev xvfb xauth libx11-dev libxtst-dev pkgconf
               clang libclang-rt-14-dev)

wanted=("${run_packages[@]}")
case "${1:-test}" in
  test) wanted+=("${test_packages[@]}") ;;
  bench) wanted+=("${test_packages[@]}" gnuplot-nox gdal-bin) ;;
esac

missing=()
for package in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "error: packages missing (${missing[*]}) and no root rights to install them;" \
       "install them with apt-get as root" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
