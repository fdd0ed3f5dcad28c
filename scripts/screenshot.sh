#!/usr/bin/env bash
# Starts the real Vireskand.exe under Wine in a virtual X display, in a
# working folder with the bundled database, and saves a screenshot of the
# main window: build/main-window.png (or the path given).
# Needs the win64 build (cmake --build --preset win64).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/main-window.png}
build=build/win64
exe=$PWD/$build/app/Vireskand.exe
[ -x "$exe" ] || { echo "build the win64 preset first" >&2; exit 2; }
cmake --build --preset win64 --target wineprefix >/dev/null

work=build/screenshot-work
rm -rf "$work"
mkdir -p "$work"
cp data/VirusBase.vbf "$work/"

export WINEPREFIX=$PWD/$build/wineprefix WINEDEBUG=-all LOCPATH=$PWD/$build/locale LC_ALL=ru_RU.UTF-8
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
wine_pid=
cleanup() {
  [ -n "$wine_pid" ] && kill "$wine_pid" 2>/dev/null || true
  WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display
sleep 1
# The screen behind the window: a plain desk colour, so the shape shows.
xsetroot -solid '#3a4a5a' 2>/dev/null || true
(cd "$work" && exec wine "$exe") >/dev/null 2>&1 &
wine_pid=$!
# Two seconds of splash, then the main window and a few animation frames.
sleep "${VSK_SHOT_DELAY:-7}"
import -window root "$out"
echo "$out"
