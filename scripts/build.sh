#!/usr/bin/env bash
# Installs what is missing (scripts/setup.sh), then configures and builds the project in build/
# (or $VELMORA_BUILD_DIR). Extra arguments are passed to `cmake --build` (for example
# `--target velmora`).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
build=${VELMORA_BUILD_DIR:-$root/build}
if [[ ! -f $build/CMakeCache.txt ]]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j"$(nproc)" "$@"
