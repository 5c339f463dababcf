#!/usr/bin/env bash
# The installed launcher as a user meets it: installed into a scratch prefix, run without a
# display (--help answers after the program directory is made). The first start makes the
# directory, the database and the help page; after an "upgrade" that brings a newer help page
# the user's copy is replaced, while the user's settings stay; in a directory a group shares
# (set-group-ID) the database the program makes belongs to the group.
# usage: launcher_check.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d /tmp/velmora-launcher.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}
cmake --install "$build" --prefix "$scratch/usr" --component program >/dev/null
launcher=$scratch/usr/bin/velmora
export HOME=$scratch/home XDG_DATA_HOME= VELMORA_DIR=
unset XDG_DATA_HOME VELMORA_DIR DISPLAY
mkdir -p "$HOME"
dir=$HOME/.local/share/velmora

out=$("$launcher" --help)
grep -q "Log in as: admin / admin123" <<<"$out" || fail "no account printed: $out"
grep -q "^Usage: velmora" <<<"$out" || fail "the program did not answer --help"
for f in Data/Data.mdb IniFile/System.ini Help/index.htm; do
  [[ -f $dir/$f ]] || fail "$f not made"
done
[[ $(stat -c %a "$dir/Data/Data.mdb") == 600 ]] || fail "the database is not the user's alone"

# The site fills in its settings; an upgrade brings a newer help page.
echo "site" >>"$dir/IniFile/System.ini"
settings=$(cat "$dir/IniFile/System.ini")
echo "<p>new</p>" >>"$scratch/usr/share/velmora/Help/index.htm"
touch -d '+1 hour' "$scratch/usr/share/velmora/Help/index.htm"
"$launcher" --help >/dev/null
cmp -s "$dir/Help/index.htm" "$scratch/usr/share/velmora/Help/index.htm" ||
  fail "the help page was not refreshed after the upgrade"
[[ $(cat "$dir/IniFile/System.ini") == "$settings" ]] || fail "the settings were touched"
# ... and a help page no newer than the package's is left alone.
echo "<p>the site's note</p>" >>"$dir/Help/index.htm"
touch -d '+2 hours' "$dir/Help/index.htm"
"$launcher" --help >/dev/null
grep -q "the site's note" "$dir/Help/index.htm" || fail "a help page newer than the package's was replaced"

# A directory a group shares.
shared=$scratch/shared
mkdir -p "$shared" && chmod 2770 "$shared"
VELMORA_DIR=$shared "$launcher" --help >/dev/null
[[ $(stat -c %a "$shared/Data/Data.mdb") == 660 ]] ||
  fail "the database in a shared directory is $(stat -c %a "$shared/Data/Data.mdb"), not 660"
echo "launcher: first start, upgrade and shared directory as expected"
