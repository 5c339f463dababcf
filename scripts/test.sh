#!/usr/bin/env bash
# The test command: installs what is missing, builds everything and runs every test.
# Arguments go to ctest, e.g. `scripts/test.sh -R mainwindow` runs one test program.
# Under CI (CI set) it also proves that every library the build links comes from the packages
# that scripts/setup.sh installs, so a package that is only on this machine cannot hide.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh"
build=${VELMORA_BUILD_DIR:-$root/build}
if [[ -n ${CI:-} || -n ${VELMORA_CHECK_PACKAGES:-} ]]; then
  /usr/bin/python3 "$root/scripts/check-packages.py" "$build"
fi
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@"
