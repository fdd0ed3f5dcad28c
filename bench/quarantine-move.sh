#!/usr/bin/env bash
# Moving many small infected files into one quarantine: the cost per file
# must not grow with the records already there. Runs `--action move` on a
# tree of N files (default 20,000) and on a quarter of it, and prints the
# milliseconds per file of each (wall clock, the whole process).
# Usage: bench/quarantine-move.sh [FILES]
set -euo pipefail
cd "$(dirname "$0")/.."
files=${1:-20000}
cmake --preset native >/dev/null
cmake --build --preset native -j2 --target vireskand-scan make-database >/dev/null

bin=$PWD/build/native
work=$PWD/build/bench-quarantine
rm -rf "$work"
mkdir -p "$work"
# One signature, planted in every file.
sig=BENCH-QUARANTINE-SIGNATURE
printf 'Bench.Move  0  %s\n' "$(printf '%s' "$sig" | od -An -tx1 | tr -s ' \n' ' ')" >"$work/db.txt"
"$bin/tools/make-database" "$work/db.txt" "$work/VirusBase.vbf" >/dev/null

run() {  # FILES: makes the tree, moves it all, prints ms per file
  local n=$1 dir=$work/run-$1
  mkdir -p "$dir"
  cp "$work/VirusBase.vbf" "$dir/"
  for ((i = 0; i < n; i++)); do
    [ $((i % 200)) -eq 0 ] && mkdir -p "$dir/tree/$((i / 200))"
    printf 'x%s' "$sig" >"$dir/tree/$((i / 200))/f$i.com"
  done
  local start end
  start=$(date +%s%N)
  (cd "$dir" && "$bin/cli/vireskand-scan" --subdirs --action move --yes tree >/dev/null 2>&1) || true
  end=$(date +%s%N)
  local records
  records=$(cd "$dir" && "$bin/cli/vireskand-scan" --quarantine list | wc -l)
  LC_ALL=C awk -v n="$n" -v r="$records" -v ns=$((end - start)) \
    'BEGIN {printf "%6d files: %6d records, %.3f ms per file\n", n, r, ns / 1e6 / n}'
  rm -rf "$dir"
}

run $((files / 4))
run "$files"
