#!/usr/bin/env bash
# Wall time of the scanner with --jobs 1 and --jobs 2 against read-tree, the
# floor, on one thread; on folder-scan.sh's corpus (run that first). Rounds
# are interleaved so that other load on the machine falls on all alike;
# medians and the fastest run are printed.
# Usage: bench/scan-jobs.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-21}
bin=$PWD/build/native
work=$PWD/build/bench-corpus
if [ ! -d "$work/tree" ]; then
  echo "no corpus: run bench/folder-scan.sh first" >&2
  exit 2
fi
cmake --build --preset native -j 2 --target vireskand-scan read-tree >/dev/null
cd "$work"
find tree -type f -print0 | xargs -0 cat >/dev/null  # warm the page cache

wall() {  # seconds of wall time of the command
  local start=$EPOCHREALTIME
  "$@" >/dev/null 2>&1 || true
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN{printf "%.4f\n", b - a}'
}
floor=() one=() two=()
for _ in $(seq "$rounds"); do
  floor+=("$(wall "$bin/bench/read-tree" tree)")
  one+=("$(wall "$bin/cli/vireskand-scan" --subdirs --jobs 1 tree)")
  two+=("$(wall "$bin/cli/vireskand-scan" --subdirs --jobs 2 tree)")
done
stat() {  # median and minimum
  printf '%s\n' "$@" | sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)], a[1]}'
}
read -r floor_m floor_min < <(stat "${floor[@]}")
echo
echo "Tree: $(find tree -type f | wc -l) files, $(($(du -sb tree | cut -f1) / 1048576)) MiB; page cache warm; $(nproc) processors;"
echo "wall seconds, median and fastest of $rounds interleaved rounds"
echo
echo "| program                         | median | fastest | median / floor |"
echo "|---------------------------------|--------|---------|----------------|"
row() {
  read -r m min < <(stat "${@:2}")
  awk -v n="$1" -v m="$m" -v min="$min" -v f="$floor_m" \
    'BEGIN{printf "| %-31s | %6.3f | %7.3f | %14.2f |\n", n, m, min, m / f}'
}
row "read-tree (floor, one thread)" "${floor[@]}"
row "vireskand-scan --jobs 1" "${one[@]}"
row "vireskand-scan --jobs 2" "${two[@]}"
