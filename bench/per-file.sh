#!/usr/bin/env bash
# What the folder scan costs per file beyond reading it: CPU time (user +
# system, perf's task-clock) on a tree of small files (make-corpus --small,
# 100 bytes to 4 KiB in three levels of folders) minus the same on an empty
# tree, which takes out start-up and the database; the floor (read-tree) is
# measured alike and taken off. Rounds are interleaved, medians printed.
# Usage: bench/per-file.sh [FILES] [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
files=${1:-2000}
rounds=${2:-31}
cmake --build --preset native -j 2 \
  --target vireskand-scan hs-scan-tree read-tree make-corpus make-database >/dev/null

bin=$PWD/build/native
work=$PWD/build/bench-per-file
awk() { LC_ALL=C command awk "$@"; }
"$bin/bench/make-corpus" "$work" --small "$files" >/dev/null
"$bin/tools/make-database" "$work/signatures.txt" "$work/VirusBase.vbf" >/dev/null
cd "$work"
rm -rf empty && mkdir empty
find tree -type f -print0 | xargs -0 cat >/dev/null  # warm the page cache

msec() {  # task-clock milliseconds of one run
  { perf stat -x, -e task-clock "$@" 2>&1 >/dev/null || true; } | awk -F, '/task-clock/ {print $1}'
}
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }

declare -A runs
programs=(floor ours two hs)
command_of() {  # program folder
  case $1 in
    floor) echo "taskset -c 1 $bin/bench/read-tree $2" ;;
    ours) echo "taskset -c 1 $bin/cli/vireskand-scan --subdirs --jobs 1 $2" ;;
    two) echo "$bin/cli/vireskand-scan --subdirs --jobs 2 $2" ;;
    hs) echo "taskset -c 1 $bin/bench/hs-scan-tree VirusBase.vbf $2" ;;
  esac
}
for _ in $(seq "$rounds"); do
  for p in "${programs[@]}"; do
    for t in tree empty; do
      # shellcheck disable=SC2046
      runs[$p.$t]+=" $(msec $(command_of "$p" "$t"))"
    done
  done
done
# shellcheck disable=SC2086
per() { awk -v n="$(median ${runs[$1.tree]})" -v z="$(median ${runs[$1.empty]})" -v f="$files" \
  'BEGIN{printf "%.3f", (n - z) * 1000 / f}'; }
floor=$(per floor)
echo "$files files in $(find tree -type d | wc -l) folders; load: $(uptime | sed 's/.*load average: //')"
echo "CPU microseconds per file (task-clock, tree minus empty tree), median of $rounds rounds"
echo
echo "| program                                | per file | beyond the floor |"
echo "|----------------------------------------|----------|------------------|"
line() { awk -v n="$1" -v p="$(per "$2")" -v f="$floor" 'BEGIN{printf "| %-38s | %8.3f | %16.3f |\n", n, p, p - f}'; }
line "read-tree (floor)" floor
line "vireskand-scan --jobs 1" ours
line "vireskand-scan --jobs 2 (both threads)" two
line "Vectorscan, same walk as the floor" hs
