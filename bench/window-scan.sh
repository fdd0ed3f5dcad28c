#!/usr/bin/env bash
# Window-scan benchmark: the folder-scan corpus (default 100 MiB) scanned
# under Wine by the command-line scanner and by Vireskand.exe started with
# the folder on its command line, every file listed (OK rows on), so that
# the window's cost per file (row, icon, progress, status line) shows
# against the same walk without a window; with the window's memory per row
# (its resident size at the end, less that after an empty folder's scan).
# With --exe every file is named *.exe, so that each row asks the shell for
# the file's own icon (the cost of the types that carry one).
# Usage: bench/window-scan.sh [TOTAL_MIB | --small FILES] [--exe]
set -euo pipefail
cd "$(dirname "$0")/.."
exe=no
for a in "$@"; do [ "$a" = --exe ] && exe=yes; done
if [ "${1:-}" = --small ]; then corpus=(--small "${2:?number of files}"); else corpus=("${1:-100}" 30); fi
[ "${1:-}" = --exe ] && corpus=(100 30)
scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)" --target make-corpus make-database >/dev/null
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$(nproc)" --target Vireskand vireskand-scan wineprefix >/dev/null

win=$PWD/build/win64
bench=$PWD/build/bench-window
rm -rf "$bench"
mkdir -p "$bench"
cp -a "$win/wineprefix" "$bench/prefix"
work=$bench/prefix/drive_c/corpus
build/native/bench/make-corpus "$work" "${corpus[@]}" >/dev/null
build/native/tools/make-database "$work/signatures.txt" "$work/VirusBase.vbf" >/dev/null
if [ "$exe" = yes ]; then
  find "$work/tree" -type f -name '*.bin' -exec sh -c 'for f; do mv "$f" "${f%.bin}.exe"; done' sh {} +
fi
files=$(find "$work/tree" -type f | wc -l)
mib=$(du -sm "$work/tree" | cut -f1)

. scripts/virtual-display.sh
XVFB_PID=
# Each step may find nothing left to stop; the next still runs.
cleanup() {
  WINEPREFIX=$bench/prefix wineserver -k 2>/dev/null || true
  [ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT
start_virtual_display 800x600x24
export WINEPREFIX=$bench/prefix WINEDEBUG=-all LOCPATH=$win/locale LC_ALL=ru_RU.UTF-8
cd "$work"
wineboot -i >/dev/null 2>&1 || true
now() { date +%s.%N; }
# Figures with a decimal point whatever the locale.
awk() { LC_ALL=C command awk "$@"; }

# The command-line scanner: wall time of the whole process, its output to a
# file (the null device is a character device, which Wine writes to far more
# slowly); the same on an empty folder is Wine's process start, to take off.
mkdir -p empty
best() {  # args: command...; prints the best wall time of 3 runs
  local b=""
  for _ in 1 2 3; do
    t0=$(now); "$@" >cli.txt 2>&1 || true; t1=$(now)
    t=$(awk -v a="$t0" -v b="$t1" 'BEGIN{print b - a}')
    if [ -z "$b" ] || awk "BEGIN{exit !($t < $b)}"; then b=$t; fi
  done
  echo "$b"
}
# Once untimed: the prefix's first start and the page cache.
wine "$win/cli/vireskand-scan.exe" --subdirs --ok tree >/dev/null 2>&1 || true
start_cli=$(best wine "$win/cli/vireskand-scan.exe" --subdirs --ok empty)
total_cli=$(best wine "$win/cli/vireskand-scan.exe" --subdirs --ok tree)
best_cli=$(awk -v a="$total_cli" -v b="$start_cli" 'BEGIN{print a - b}')

# The window: from the main window's appearance (the scan starts with it)
# to the report file, which is written last. Sets t (seconds) and rss (KiB
# of the program's process once the report is there).
report_complete() { grep -q "Конец" <(iconv -f cp1251 -t utf-8 report.txt 2>/dev/null); }
window_scan() {  # folder [FileOk]
  rm -f report.txt
  printf '[OPTIONS]\r\nSubDir=1\r\nFileOk=%s\r\nSound=0\r\nReport=0\r\nReportToFile=1\r\nReportFileName=report.txt\r\nReportFileMode=0\r\n' "${2:-1}" \
    >"$bench/prefix/drive_c/windows/Vireskand.INI"
  wine "$win/app/Vireskand.exe" "$1" >/dev/null 2>&1 &
  local pid=$! t0 t1
  wait_for 300 "the main window" xwininfo -name Vireskand
  t0=$(now)
  wait_for 1800 "the end of the report" report_complete
  t1=$(now)
  # This prefix's program only: other Wine sessions may run one too.
  rss=$(pgrep -f 'Vireskand\.exe' | while read -r p; do
    grep -qzx "WINEPREFIX=$WINEPREFIX" "/proc/$p/environ" 2>/dev/null &&
      sed -n 's/^VmRSS:[[:space:]]*\([0-9]*\).*/\1/p' "/proc/$p/status" || true; done | sort -n | tail -n 1)
  kill "$pid" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  t=$(awk -v a="$t0" -v b="$t1" 'BEGIN{print b - a}')
}
window_scan empty
rss_empty=$rss
best_win=""
for _ in 1 2 3; do
  window_scan tree
  if [ -z "$best_win" ] || awk "BEGIN{exit !($t < $best_win)}"; then best_win=$t; fi
  rows=$(iconv -f cp1251 -t utf-8 report.txt | grep -c $'\t\t' || true)
done
rss_tree=$rss
# Without the OK rows: what the walk, progress and status line cost alone.
window_scan tree 0
off_win=$t

awk -v f="$files" -v m="$mib" -v c="$best_cli" -v tc="$total_cli" -v sc="$start_cli" -v w="$best_win" -v r="$rows" \
  -v re="${rss_empty:-0}" -v rt="${rss_tree:-0}" -v off="$off_win" 'BEGIN{
  printf "%d files, %d MiB, under Wine, best of 3 (wall seconds)\n", f, m
  printf "| %-34s | %7s | %9s |\n", "run", "seconds", "files/s"
  printf "| %-34s | %7.2f | %9.0f |\n", "vireskand-scan.exe --subdirs --ok", c, f / c
  printf "(the command line: %.2f s in all, less %.2f s for an empty folder)\n", tc, sc
  printf "| %-34s | %7.2f | %9.0f |\n", "Vireskand.exe FOLDER (rows: " r ")", w, f / w
  printf "| %-34s | %7.2f | %9.0f |\n", "the same, OK rows off (one run)", off, f / off
  printf "window / command line: %.1f x\n", w / c
  if (r > 0) printf "window memory: %.1f MiB after an empty folder, %.1f MiB after the tree: %.0f bytes a row\n", re / 1024, rt / 1024, (rt - re) * 1024 / r }'
