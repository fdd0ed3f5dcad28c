#!/usr/bin/env bash
# Starts the real Vireskand.exe under Wine in a virtual X display, in a
# working folder with the bundled database, and saves a screenshot:
#   scripts/screenshot.sh [OUT]            the main window as it opens
#                                          (build/main-window.png)
#   scripts/screenshot.sh --scan [OUT]     a finished scan of the samples,
#                                          every file listed (build/scan.png)
#   scripts/screenshot.sh --summary [OUT]  the summary box after that scan
#                                          (build/summary.png)
#   scripts/screenshot.sh --installer [OUT]  the installer's first page
#                                          (build/installer.png)
#   scripts/screenshot.sh --quarantine [OUT]  the quarantine dialog over the
#                                          samples moved there by the
#                                          command-line scanner
#                                          (build/quarantine.png)
# Needs the win64 build (cmake --build --preset win64); the two scans also
# the native make-samples.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=window
case "${1:-}" in
  --scan) mode=scan; shift ;;
  --summary) mode=summary; shift ;;
  --installer) mode=installer; shift ;;
  --quarantine) mode=quarantine; shift ;;
esac
case $mode in
  window) out=${1:-build/main-window.png} ;;
  scan) out=${1:-build/scan.png} ;;
  summary) out=${1:-build/summary.png} ;;
  installer) out=${1:-build/installer.png} ;;
  quarantine) out=${1:-build/quarantine.png} ;;
esac
build=$PWD/build/win64
exe=$build/app/Vireskand.exe
[ -f "$exe" ] || { echo "build the win64 preset first" >&2; exit 2; }
cmake --build --preset win64 --target wineprefix >/dev/null

# A copy of the test prefix, so that nothing else running in it is touched;
# the working folder is C:\Vireskand in it, which is what the list shows.
shot=$PWD/build/screenshot
rm -rf "$shot"
mkdir -p "$shot"
cp -a "$build/wineprefix" "$shot/prefix"
work=$shot/prefix/drive_c/Vireskand
mkdir -p "$work"
cp data/VirusBase.vbf "$work/"
args=()
if [ $mode = installer ]; then
  cmake --build --preset win64 --target package >/dev/null
  setup=$(ls "$build"/Vireskand-*-setup.exe)
  version=${setup##*/Vireskand-}
  version=${version%-setup.exe}
  exe=$setup
elif [ $mode = quarantine ]; then
  cmake --build --preset native --target make-samples >/dev/null
  build/native/tools/make-samples data/VirusBase.vbf "$work" >/dev/null
  (cd "$work" && WINEPREFIX=$shot/prefix WINEDEBUG=-all LOCPATH=$build/locale LC_ALL=ru_RU.UTF-8 \
     wine "$build/cli/vireskand-scan.exe" --subdirs --action move samples) >/dev/null 2>&1 || true
  WINEPREFIX=$shot/prefix wineserver -w
elif [ $mode != window ]; then
  cmake --build --preset native --target make-samples >/dev/null
  build/native/tools/make-samples data/VirusBase.vbf "$work" >/dev/null
  report=0
  [ $mode = summary ] && report=1
  printf '[OPTIONS]\r\nSubDir=1\r\nFileOk=1\r\nSound=0\r\nReport=%s\r\n' $report \
    > "$shot/prefix/drive_c/windows/Vireskand.INI"
  args=(samples)
fi

. scripts/virtual-display.sh
XVFB_PID=
wine_pid=
# Each step may find nothing left to stop; the next still runs.
cleanup() {
  [ -z "$wine_pid" ] || kill "$wine_pid" 2>/dev/null || true
  WINEPREFIX=$shot/prefix wineserver -k 2>/dev/null || true
  [ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT
start_virtual_display 800x600x24
(cd "$work" && WINEPREFIX=$shot/prefix WINEDEBUG=-all LOCPATH=$build/locale \
   LC_ALL=ru_RU.UTF-8 exec wine "$exe" "${args[@]}") >/dev/null 2>&1 &
wine_pid=$!
# Two seconds of splash, then the main window; a moment more for the
# animation (or the scan) to run.
name=Vireskand
[ $mode = summary ] && name='Отчёт о проверке.'
[ $mode = installer ] && name="Установка Vireskand $version"
wait_for 60 "the window \"$name\"" xwininfo -name "$name"
sleep 1.5
if [ $mode = quarantine ]; then
  # A right click on the list's free space opens its menu: "Карантин...".
  xdotool mousemove 290 250 click 3
  sleep 0.7
  xdotool key Down Return
  wait_for 20 "the quarantine dialog" xwininfo -name "Карантин"
  sleep 1
  import -window "$(xwininfo -name "Карантин" | awk '/Window id:/ {print $4}')" "$out"
  echo "$out"
  exit 0
fi
if [ $mode = installer ]; then
  # Centred on the screen: the window alone, its caption drawn by Wine.
  import -window "$(xwininfo -name "$name" | awk '/Window id:/ {print $4}')" "$out"
  echo "$out"
  exit 0
fi
[ $mode = scan ] && sleep 1.5
# The window stands at the screen's origin (its template has no centring);
# the summary box is centred on the screen, over it.
import -window root -crop 640x470+0+0 +repage "$out"
echo "$out"
