#!/usr/bin/env bash
# The folder scan against its peers, side by side in one run. For each
# signature set (30 bytes, lengths 4-30, lengths 4-6) two generated trees
# (default 206 MiB): make-corpus's plain one, and its hard one (mixed
# sizes in ten nested folders, text and zero-filled files, near-misses,
# signatures at the ends and in pairs, prefix pairs). Each is scanned from
# the page cache on one core by
#   read-tree        the floor: the same walk, every file read, nothing else
#   vireskand-scan   --jobs 1
#   hs-scan-tree     Vectorscan over read-tree's walk and 256 KiB pieces,
#                    streaming, the earliest match as the scanner finds it
#   yara -p 1        hex-string rules
# in interleaved rounds; CPU seconds (user + system), medians, as ratios of
# the floor. Then, unpinned, the wall time of vireskand-scan --jobs 2
# against the floor's (one thread): three pairs a round, each run right
# after the floor, and the median of the pairs' ratios, so that a slow
# spell of a shared machine slows both sides of a ratio. Then the window
# against the command line under Wine
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

wall() {  # wall seconds of the command
  local start=$EPOCHREALTIME
  "$@" >/dev/null 2>&1 || true
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN{printf "%.4f\n", b - a}'
}

declare -A result
sets=("30 30" "4 30" "4 6" "30 30 --hard" "4 30 --hard" "4 6 --hard")
names=("30-byte" "lengths 4-30" "lengths 4-6" "hard, 30-byte" "hard, 4-30" "hard, 4-6")
for set in "${sets[@]}"; do
  read -r lo hi mode <<<"$set"
  "$bin/bench/make-corpus" "$work" "$total" "$lo" "$hi" $mode >/dev/null
  "$bin/tools/make-database" "$work/signatures.txt" "$work/VirusBase.vbf" >/dev/null
  # The new tree written out now, not by the kernel's writeback during the
  # rounds, where it takes a core from the two workers.
  sync
  result[$set]=$(
    cd "$work"
    find tree -type f -print0 | xargs -0 cat >/dev/null  # warm the page cache
    floor=() ours=() hs=() yara=() floorWall=() twoWall=() pairs=()
    for r in $(seq "$rounds"); do
      for p in 1 2 3; do
        floorWall+=("$(wall "$bin/bench/read-tree" tree)")
        twoWall+=("$(wall "$bin/cli/vireskand-scan" --subdirs --jobs 2 tree)")
        pairs+=("$(awk -v a="${floorWall[-1]}" -v b="${twoWall[-1]}" 'BEGIN{printf "%.4f\n", b / a}')")
      done
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
    echo "$(median "${floor[@]}") $(median "${ours[@]}") $(median "${hs[@]}") $(median "${yara[@]}") $(wc -l <ours.tsv) $same $(median "${floorWall[@]}") $(median "${twoWall[@]}") $(median "${pairs[@]}")"
  )
done

echo
echo "Trees of $total MiB, 200 signatures per set; one core; page cache warm; load: $(uptime | sed 's/.*load average: //')"
echo "CPU seconds (user + system), median of $rounds interleaved rounds (yara: at most 3), as a ratio of the floor"
echo "wall: the median of $((3 * rounds)) ratios, each of a run of --jobs 2 to the floor's run just before it"
echo
header="| contender                               |" rule="|-----------------------------------------|"
for name in "${names[@]}"; do
  header+=" $name |"
  rule+="$(printf -- '-%.0s' $(seq $((${#name} + 2))))|"
done
echo "$header"
echo "$rule"
row() {  # label column
  local c=$2 out i=0
  out=$(printf '| %-39s ' "$1")
  for set in "${sets[@]}"; do
    out+=$(awk -v c="$c" -v r="${result[$set]}" -v w="${#names[$i]}" 'BEGIN{split(r, f, " ");
      printf "| %*s ", w, c == 9 ? sprintf("%.2f", f[9]) : sprintf("%.2f", f[c] / f[1])}')
    i=$((i + 1))
  done
  echo "$out|"
}
row "floor (read-tree)" 1
row "vireskand-scan --jobs 1" 2
row "Vectorscan, same walk and pieces" 3
row "yara -p 1" 4
row "wall: --jobs 2 / floor's one thread" 9  # the median of the pairs' ratios
echo
i=0
for set in "${sets[@]}"; do
  awk -v r="${result[$set]}" -v n="${names[$i]}" 'BEGIN{split(r, f, " ");
    m = f[2] - f[1]; v = f[3] - f[1]; if (m < 0.001) m = 0.001;
    printf "%s: floor %.3f s, ours %.3f s, Vectorscan %.3f s; matching alone (scan - floor) %.2fx as fast as Vectorscan; %d detections, %s; wall medians: floor %.3f s, --jobs 2 %.3f s\n",
      n, f[1], f[2], f[3], v / m, f[5], f[6] == "yes" ? "equal to Vectorscan'"'"'s" : "DIFFERENT from Vectorscan'"'"'s", f[7], f[8] }'
  i=$((i + 1))
done

if [ "$window" = 1 ]; then
  for n in 4000 10000; do
    echo
    bash bench/window-scan.sh --small "$n"
  done
fi
