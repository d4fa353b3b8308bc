#!/bin/sh
# The native host installs and uninstalls the theme from a demo medium built
# by make-medium, driven by the same scenario files as the program tests.
# usage: host-install.sh MAKE-MEDIUM SETUP-HOST SCENARIO-FOLDER
set -eu
make_medium=$1 host=$2 scenarios=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$make_medium" --setup "$host" "$work/medium" >/dev/null
"$make_medium" --check "$work/medium" >/dev/null
"$host" --machine "$work/m" --medium "$work/medium" --trace "$work/trace.txt" \
        --scenario "$scenarios/program-first-run.scn"
grep -qx 'file: copy D:\\setup.exe -> C:\\wiesenhain\\wiesenhain.exe' "$work/trace.txt" ||
  { echo "the trace lacks the program copy"; exit 1; }
grep -q '^shell: save link C:\\WINDOWS\\Desktop\\Wiesenhain.lnk' "$work/trace.txt" ||
  { echo "the trace lacks the shortcut"; exit 1; }
"$host" --machine "$work/m" --show | grep -q '^  wallpaper  *C:\\WINDOWS\\wiesenhain.bmp, not tiled$' ||
  { echo "--show does not show the wallpaper"; exit 1; }
c="$work/m/drives/c"
for f in wiesenhain/wiesenhain.exe wiesenhain/wiesenhain-cur-arrow.cur wiesenhain/wall.ppk \
         WINDOWS/wiesenhain.bmp WINDOWS/wiesenhain-remove.exe WINDOWS/Desktop/Wiesenhain.lnk; do
  [ -f "$c/$f" ] || { echo "missing after install: $f"; exit 1; }
done
grep -q 'Uninstall\\Wiesenhain-Scr\]' "$work/m/registry.reg" || { echo "no uninstall entry"; exit 1; }
cmp -s "$host" "$c/wiesenhain/wiesenhain.exe" || { echo "wiesenhain.exe differs from setup.exe"; exit 1; }
"$host" --machine "$work/m" --medium "$work/medium" --scenario "$scenarios/program-uninstall.scn"
for f in wiesenhain/wiesenhain.exe WINDOWS/wiesenhain.bmp WINDOWS/Desktop/Wiesenhain.lnk; do
  [ ! -e "$c/$f" ] || { echo "left after uninstall: $f"; exit 1; }
done
if grep -q 'Wiesenhain-Scr\]\|Vorq' "$work/m/registry.reg"; then echo "registry keys left"; exit 1; fi
echo "host install and uninstall: ok"
