#!/usr/bin/env bash
# The walk before and after a change: the command-line scanner of BASE_REV
# (built apart from the tree) against this tree's, on the mixed folder-scan
# corpus and on a tree of many small files, in interleaved rounds so that
# load from elsewhere on the machine falls on both alike. CPU seconds (user
# + system) are medians of the rounds. Then the peak memory of this tree's
# scanner with --ok and without on the small-file tree.
# Usage: bench/walk.sh [BASE_REV] [ROUNDS] [SMALL_FILES] [MIXED_MIB]
set -euo pipefail
cd "$(dirname "$0")/.."
base_rev=${1:-$(git merge-base HEAD main)}
rounds=${2:-7}
small_files=${3:-100000}
mixed_mib=${4:-206}

cmake --preset native >/dev/null
cmake --build --preset native -j 2 --target vireskand-scan make-corpus make-database >/dev/null
bin=$PWD/build/native

# The scanner of BASE_REV, from its sources alone.
base=$PWD/build/bench-base
rm -rf "$base/src" && mkdir -p "$base/src"
git archive "$base_rev" | tar -x -C "$base/src"
cmake -S "$base/src" -B "$base/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc >/dev/null
cmake --build "$base/build" -j 2 --target vireskand-scan >/dev/null
old=$base/build/cli/vireskand-scan
new=$bin/cli/vireskand-scan

work=$PWD/build/bench-walk
mkdir -p "$work"
make_tree() {  # folder, make-corpus arguments...
  local dir=$work/$1; shift
  if [ ! -f "$dir/done" ]; then
    "$bin/bench/make-corpus" "$dir" "$@" >/dev/null
    "$bin/tools/make-database" "$dir/signatures.txt" "$dir/VirusBase.vbf"
    touch "$dir/done"
  fi
}
make_tree mixed "$mixed_mib"
make_tree small --small "$small_files"

# One run's CPU seconds to the microsecond (time(1) gives hundredths).
run() {  # tree, scanner, flags...
  local dir=$work/$1; shift
  (cd "$dir" && python3 -c '
import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
u = resource.getrusage(resource.RUSAGE_CHILDREN)
print("%.4f" % (u.ru_utime + u.ru_stime))' "$1" --subdirs "${@:2}" tree)
}
# One run's peak resident memory in KiB, from time(1), whose own process
# adds little (a fork of python would add its own size).
peak() {  # tree, scanner, flags...
  local dir=$work/$1 scanner=$2; shift 2
  (cd "$dir" && /usr/bin/time -f "%M" -o "$work/time.txt" "$scanner" --subdirs "$@" tree >/dev/null 2>&1 || true)
  tail -n 1 "$work/time.txt"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

for tree in mixed small; do
  (cd "$work/$tree" && find tree -type f -print0 | xargs -0 cat >/dev/null)  # warm the page cache
  : >"$work/$tree-old.txt" && : >"$work/$tree-new.txt"
  for _ in $(seq "$rounds"); do
    run "$tree" "$old" >>"$work/$tree-old.txt"
    run "$tree" "$new" >>"$work/$tree-new.txt"
  done
done
: >"$work/ok.txt" && : >"$work/plain.txt" && : >"$work/ok-old.txt"
for _ in $(seq "$rounds"); do
  peak small "$new" --ok >>"$work/ok.txt"
  peak small "$new" >>"$work/plain.txt"
  peak small "$old" --ok >>"$work/ok-old.txt"
done

echo "Base $(git rev-parse --short "$base_rev") against this tree; $rounds interleaved rounds;"
echo "CPU seconds, median (fastest)"
echo
echo "| tree | files | base | this tree | change of medians |"
echo "|---|---|---|---|---|"
for tree in mixed small; do
  files=$(find "$work/$tree/tree" -type f | wc -l)
  o=$(median <"$work/$tree-old.txt")
  n=$(median <"$work/$tree-new.txt")
  o_min=$(sort -n "$work/$tree-old.txt" | head -n 1)
  n_min=$(sort -n "$work/$tree-new.txt" | head -n 1)
  awk -v t="$tree" -v f="$files" -v o="$o" -v n="$n" -v om="$o_min" -v nm="$n_min" \
    'BEGIN { printf "| %s | %d | %.3f (%.3f) | %.3f (%.3f) | %+.1f %% |\n", t, f, o, om, n, nm, 100 * (n - o) / o }'
done
echo
ok=$(median <"$work/ok.txt")
plain=$(median <"$work/plain.txt")
ok_old=$(median <"$work/ok-old.txt")
awk -v a="$ok" -v b="$plain" -v c="$ok_old" -v f="$small_files" 'BEGIN {
  printf "Peak memory on %d small files: %.1f MiB with --ok, %.1f MiB without (base with --ok: %.1f MiB)\n",
         f, a / 1024, b / 1024, c / 1024 }'
