#!/usr/bin/env bash
# Installs everything the build, the tests and the run command need on a Debian 12 machine
# (the list is scripts/packages.txt). Idempotent: asks dpkg first and only runs apt-get when a
# package is missing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mapfile -t packages < <(sed 's/#.*//' "$here/packages.txt" | tr -s ' \t' '\n' | sed '/^$/d')

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [[ $(id -u) -ne 0 ]] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
