#!/usr/bin/env bash
# The test command: installs what is missing, builds everything and runs every test.
# Arguments go to ctest, e.g. `scripts/test.sh -R mainwindow` runs one test program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
build=${VELMORA_BUILD_DIR:-$root/build}
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@"
