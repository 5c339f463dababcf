#!/usr/bin/env bash
# The Debian package on a machine that never built the project: cpack makes it (and the
# simulator's package beside it), lintian finds nothing to report, apt installs it
# into a copy of a bootstrapped Debian 12 root (pulling its declared dependencies), the installed
# program starts headless on a fresh user until its login window is on screen, and dpkg removes
# it again without leaving files behind.
# usage: package_check.sh BUILD_DIR      (exit 77: skipped, a tool or the clean root is missing)
set -euo pipefail
build=$(cd "$1" && pwd)
base=${VELMORA_CLEAN_ROOT:-/tmp/fresh/root}
skip() {
  echo "skipped: $*"
  exit 77
}
[[ $(id -u) == 0 ]] || skip "chroot needs root"
[[ -x $base/bin/bash ]] || skip "no bootstrapped root at $base (debootstrap --variant=minbase bookworm DIR)"
for tool in cpack dpkg-shlibdeps chroot mount; do
  command -v $tool >/dev/null || skip "$tool missing"
done

cmake --build "$build" --target velmora velmora-issuer-sim velmora_package_docs >/dev/null
rm -rf "$build/package"
(cd "$build" && cpack -G DEB -B "$build/package" >/dev/null)
deb=$(ls "$build"/package/velmora_*.deb)
sim=$(ls "$build"/package/velmora-issuer-sim_*.deb)
echo "packages: $deb $sim"
dpkg-deb -f "$deb" Depends
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/velmora ./usr/share/applications/velmora.desktop \
  ./usr/share/icons/hicolor/scalable/apps/velmora.svg ./usr/share/velmora/Help/index.htm \
  ./usr/share/man/man1/velmora.1.gz ./usr/share/doc/velmora/copyright; do
  grep -q " $f\$" <<<"$contents" || { echo "FAIL: $f not in the package"; exit 1; }
done
# The simulator is for training and demonstrations: not on a production PC with the program.
if grep -q "velmora-issuer-sim" <<<"$contents"; then echo "FAIL: the simulator is in $deb"; exit 1; fi
grep -q " ./usr/bin/velmora-issuer-sim\$" <<<"$(dpkg-deb -c "$sim")" ||
  { echo "FAIL: the simulator is not in $sim"; exit 1; }
# Debian's own checks: no error and no warning.
if command -v lintian >/dev/null; then
  report=$(lintian --tag-display-limit 0 "$deb" "$sim" 2>&1 | grep -E '^[EW]: ' || true)
  if [[ -n $report ]]; then echo "FAIL: lintian:"; echo "$report"; exit 1; fi
  echo "lintian: no errors, no warnings"
else
  skip "lintian missing"
fi

root=$(mktemp -d /tmp/velmora-clean-root.XXXXXX)
cleanup() {
  for m in dev/pts dev proc; do umount -l "$root/$m" 2>/dev/null || true; done
  rm -rf "$root"
}
trap cleanup EXIT
cp -a "$base/." "$root/"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
cp "$deb" "$root/tmp/velmora.deb"

chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 HOME=/root \
  DEBIAN_FRONTEND=noninteractive bash -euo pipefail -c '
  if command -v velmora; then echo "FAIL: velmora is there before the install"; exit 1; fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends /tmp/velmora.deb >/dev/null
  if command -v velmora-issuer-sim; then echo "FAIL: the simulator came with the program"; exit 1; fi
  test -f /usr/share/man/man1/velmora.1.gz
  # Only the headless display and the window lookup; they are not the program'"'"'s dependencies.
  apt-get install -y -qq --no-install-recommends xvfb xauth xdotool >/dev/null
  useradd -m clerk
  su clerk -c "
    set -e
    Xvfb :71 -screen 0 1280x1024x24 >/dev/null 2>&1 &
    xvfb=\$!
    sleep 1
    DISPLAY=:71 velmora >/tmp/velmora.out 2>/tmp/velmora.err &
    app=\$!
    found=
    for i in \$(seq 60); do
      if DISPLAY=:71 xdotool search --onlyvisible --name \"_Velmora V1.6\" >/dev/null 2>&1; then found=1; break; fi
      sleep 1
    done
    kill \$app \$xvfb 2>/dev/null || true
    cat /tmp/velmora.out
    test -n \"\$found\" || { echo FAIL: no login window; cat /tmp/velmora.err; exit 1; }
    echo login window on screen
    test -f ~/.local/share/velmora/Data/Data.mdb
    test -f ~/.local/share/velmora/Help/index.htm
    test -f ~/.local/share/velmora/IniFile/System.ini
    grep -q \"Log in as: admin / admin123\" /tmp/velmora.out
  "
  files=$(dpkg -L velmora | while read -r f; do [ -f "$f" ] && echo "$f"; done)
  dpkg -r velmora >/dev/null
  for f in $files; do
    if [ -e "$f" ]; then echo "FAIL: $f left behind"; exit 1; fi
  done
  if command -v velmora; then echo "FAIL: velmora is still there"; exit 1; fi
  echo removed cleanly
'
echo "package check passed"
