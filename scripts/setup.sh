#!/usr/bin/env bash
# Installs everything the build, the tests and the run command need on a Debian 12 machine.
# Idempotent: asks dpkg first and only runs apt-get when a package is missing.
set -euo pipefail

packages=(
  g++ cmake make pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev
  libgl-dev
  libsqlcipher-dev sqlcipher
  libxlsxwriter-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-wqy-zenhei
  xvfb xauth xdotool x11-apps x11-utils imagemagick
  poppler-utils python3-xlrd python3-openpyxl
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg -s "$p" >/dev/null 2>&1 || ! dpkg -s "$p" 2>/dev/null | grep -q '^Status: install ok installed'; then
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
