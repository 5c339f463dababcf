#!/usr/bin/env bash
# The run command: installs what is missing, builds, prepares a program directory (run/ beside
# the checkout, or $VELMORA_DIR) and starts the program. On first use the directory gets a starter
# database, branding settings and the help page; when no issuer is attached under Ports/, the
# issuer simulator is started in automatic mode and attached as COM1, taking commands on the
# pipe issuer-sim.ctl in the program directory. Without a display the program runs on a virtual
# one (Xvfb on the first free display from :99).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh" --target velmora velmora-issuer-sim
build=${VELMORA_BUILD_DIR:-$root/build}
dir=${VELMORA_DIR:-$root/run}
admin_name=${VELMORA_ADMIN_NAME:-admin}
admin_password=${VELMORA_ADMIN_PASSWORD:-admin123}

mkdir -p "$dir/IniFile"
if [[ ! -f $dir/Data/Data.mdb ]]; then
  "$build/velmora" --dir "$dir" --create-database --admin-name "$admin_name" \
    --admin-password "$admin_password"
fi
if [[ ! -f $dir/IniFile/System.ini ]]; then
  printf '[title]\r\nTitleName=演示车场\r\n[GS]\r\nGSName=演示物业管理有限公司\r\n[WZ]\r\nWZName=www.example.com\r\n[MM]\r\nPASSName=\r\n' \
    >"$dir/IniFile/System.ini"
fi

if [[ ! -f $dir/Help/index.htm ]]; then
  mkdir -p "$dir/Help"
  cp -R "$root/help/." "$dir/Help/"
fi

sim_pid=""
cleanup() {
  [[ -n $sim_pid ]] && kill "$sim_pid" 2>/dev/null || true
  [[ -n ${xvfb_pid:-} ]] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

# An attached issuer is a Ports/COMn entry whose device is there (a link left behind by a
# simulator that was killed does not count).
attached=$(find -L "$dir/Ports" -maxdepth 1 -name 'COM*' -type c 2>/dev/null | head -1 || true)
sim=$(find "$build" -name velmora-issuer-sim -type f -perm -u+x | head -1 || true)
control=$dir/issuer-sim.ctl
if [[ -z $attached && -n $sim ]]; then
  "$sim" --dir "$dir" --port 1 --auto --control "$control" </dev/null &
  sim_pid=$!
  for _ in $(seq 50); do [[ -e $dir/Ports/COM1 ]] && break; sleep 0.1; done
  echo "Issuer simulator attached as COM1 (automatic mode)."
  echo "Give it commands with: echo 'card' > $control   (its answers appear here)"
fi

if [[ -z ${DISPLAY:-} ]]; then
  # A display of our own: another user's virtual display may be running on this machine.
  n=99
  while [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]]; do n=$((n + 1)); done
  export DISPLAY=:$n
  Xvfb ":$n" -screen 0 1280x1024x24 >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do xdpyinfo -display ":$n" >/dev/null 2>&1 && break; sleep 0.1; done
  echo "No display: the program runs on the virtual display :$n."
fi

echo "Program directory: $dir"
echo "Log in as: $admin_name / $admin_password"
"$build/velmora" --dir "$dir" "$@"
