#!/usr/bin/env bash
# The folder scan against its peers, side by side in one run. For each
# signature set (30 bytes, lengths 4-30, lengths 4-6) a generated tree
# (default 206 MiB) is scanned from the page cache on one core by
#   read-tree        the floor: the same walk, every file read, nothing else
#   vireskand-scan   --jobs 1
#   hs-scan-tree     Vectorscan over read-tree's walk and 256 KiB pieces,
#                    streaming, the earliest match as the scanner finds it
#   yara -p 1        hex-string rules
# in interleaved rounds; CPU seconds (user + system), medians, as ratios of
# the floor. Then the window against the command line under Wine
# (bench/window-scan.sh on 4,000 and 10,000 small files) unless --no-window.
# Usage: bench/compare.sh [TOTAL_MIB] [ROUNDS] [--no-window]
set -euo pipefail
cd "$(dirname "$0")/.."
window=1
args=()
for a in "$@"; do
  if [ "$a" = --no-window ]; then window=0; else args+=("$a"); fi
done
total=${args[0]:-206}
rounds=${args[1]:-15}
scripts/install-deps.sh --bench
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)" \
  --target vireskand-scan hs-scan-tree read-tree make-corpus make-database >/dev/null

bin=$PWD/build/native
work=$PWD/build/bench-compare
core="taskset -c 1"
# Figures with a decimal point whatever the locale.
awk() { LC_ALL=C command awk "$@"; }

cpu() {  # CPU seconds of the command, to the millisecond (the children's line of `times`)
  (
    "$@" >/dev/null 2>&1 || true
    times
  ) | awk 'NR == 2 {split($1 " " $2, t, "[ms]"); printf "%.3f\n", t[1] * 60 + t[2] + t[3] * 60 + t[4]}'
}
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }

declare -A result
sets=("30 30" "4 30" "4 6")
for set in "${sets[@]}"; do
  read -r lo hi <<<"$set"
  "$bin/bench/make-corpus" "$work" "$total" "$lo" "$hi" >/dev/null
  "$bin/tools/make-database" "$work/signatures.txt" "$work/VirusBase.vbf" >/dev/null
  result[$set]=$(
    cd "$work"
    find tree -type f -print0 | xargs -0 cat >/dev/null  # warm the page cache
    floor=() ours=() hs=() yara=()
    for r in $(seq "$rounds"); do
      floor+=("$(cpu $core "$bin/bench/read-tree" tree)")
      ours+=("$(cpu $core "$bin/cli/vireskand-scan" --subdirs --jobs 1 tree)")
      hs+=("$(cpu $core "$bin/bench/hs-scan-tree" VirusBase.vbf tree)")
      # yara is tens of times slower: three rounds are plenty.
      [ "$r" -gt 3 ] || yara+=("$(cpu $core yara -p 1 -r rules.yar tree)")
    done
    "$bin/cli/vireskand-scan" --subdirs --jobs 1 tree | grep -P '\tBench\.' | sort >ours.tsv || true
    "$bin/bench/hs-scan-tree" VirusBase.vbf tree | sort >hs.tsv || true
    same=no
    cmp -s ours.tsv hs.tsv && same=yes
    echo "$(median "${floor[@]}") $(median "${ours[@]}") $(median "${hs[@]}") $(median "${yara[@]}") $(wc -l <ours.tsv) $same"
  )
done

files=$(find "$work/tree" -type f | wc -l)
echo
echo "Tree: $files files, $total MiB, 200 signatures per set; one core; page cache warm;"
echo "CPU seconds (user + system), median of $rounds interleaved rounds (yara: at most 3), as a ratio of the floor"
echo
echo "| contender                               | 30-byte signatures | lengths 4-30 | lengths 4-6 |"
echo "|-----------------------------------------|--------------------|--------------|-------------|"
row() {  # label column
  local c=$2 out
  out=$(printf '| %-39s ' "$1")
  local widths=(18 12 11) i=0
  for set in "${sets[@]}"; do
    out+=$(awk -v c="$c" -v r="${result[$set]}" -v w="${widths[$i]}" 'BEGIN{split(r, f, " ");
      printf "| %*s ", w, sprintf("%.2f", f[c] / f[1])}')
    i=$((i + 1))
  done
  echo "$out|"
}
row "floor (read-tree)" 1
row "vireskand-scan --jobs 1" 2
row "Vectorscan, same walk and pieces" 3
row "yara -p 1" 4
echo
for set in "${sets[@]}"; do
  read -r lo hi <<<"$set"
  awk -v r="${result[$set]}" -v n="$lo-$hi" 'BEGIN{split(r, f, " ");
    m = f[2] - f[1]; v = f[3] - f[1]; if (m < 0.001) m = 0.001;
    printf "lengths %s: floor %.3f s, ours %.3f s, Vectorscan %.3f s; matching alone (scan - floor) %.2fx as fast as Vectorscan; %d detections, %s\n",
      n, f[1], f[2], f[3], v / m, f[5], f[6] == "yes" ? "equal to Vectorscan'"'"'s" : "DIFFERENT from Vectorscan'"'"'s" }'
done

if [ "$window" = 1 ]; then
  for n in 4000 10000; do
    echo
    bash bench/window-scan.sh --small "$n"
  done
fi
