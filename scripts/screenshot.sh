#!/usr/bin/env bash
# Starts the real Vireskand.exe under Wine in a virtual X display, in a
# working folder with the bundled database, and saves a screenshot of the
# main window: build/main-window.png (or the path given).
# Needs the win64 build (cmake --build --preset win64).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/main-window.png}
build=$PWD/build/win64
exe=$build/app/Vireskand.exe
[ -f "$exe" ] || { echo "build the win64 preset first" >&2; exit 2; }
cmake --build --preset win64 --target wineprefix >/dev/null

# A copy of the test prefix, so that nothing else running in it is touched.
shot=$PWD/build/screenshot
rm -rf "$shot"
mkdir -p "$shot/work"
cp -a "$build/wineprefix" "$shot/prefix"
cp data/VirusBase.vbf "$shot/work/"

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
wine_pid=
cleanup() {
  [ -n "$wine_pid" ] && kill "$wine_pid" 2>/dev/null
  WINEPREFIX=$shot/prefix wineserver -k 2>/dev/null
  kill "$xvfb" 2>/dev/null
  return 0
}
trap cleanup EXIT
export DISPLAY=$display
sleep 1
(cd "$shot/work" && WINEPREFIX=$shot/prefix WINEDEBUG=-all LOCPATH=$build/locale \
   LC_ALL=ru_RU.UTF-8 exec wine "$exe") >/dev/null 2>&1 &
wine_pid=$!
# Two seconds of splash, then the main window; a moment more for the
# animation to run.
for _ in $(seq 60); do
  xwininfo -name Vireskand >/dev/null 2>&1 && break
  sleep 0.5
done
sleep 1.5
# The window stands at the screen's origin (its template has no centring).
import -window root -crop 640x470+0+0 +repage "$out"
echo "$out"
