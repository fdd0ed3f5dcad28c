#!/usr/bin/env bash
# Folder-scan benchmark: a generated tree (default 400 MiB, 200 signatures
# of 30 bytes planted in known files) scanned from the page cache, on one
# core, by the command-line scanner and its peers, side by side in one run.
# Usage: bench/folder-scan.sh [TOTAL_MIB] [MIN_SIGNATURE_LENGTH]
set -euo pipefail
cd "$(dirname "$0")/.."
total=${1:-400}
minlen=${2:-30}
scripts/install-deps.sh --bench
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)" \
  --target vireskand-scan reference-scan read-tree make-corpus make-database >/dev/null

bin=$PWD/build/native
work=$PWD/build/bench-corpus
"$bin/bench/make-corpus" "$work" "$total" "$minlen"
"$bin/tools/make-database" "$work/signatures.txt" "$work/VirusBase.vbf"
cd "$work"
bytes=$(du -sb tree | cut -f1)
core="taskset -c 1"

# Best of N runs in CPU seconds (user + system, children included), which
# other load on the machine disturbs far less than wall time; the last run's
# max RSS (KiB) goes to rss.txt.
measure() {
  local n=$1; shift
  local best=""
  for _ in $(seq "$n"); do
    /usr/bin/time -f "%U %S %M" -o time.txt "$@" >/dev/null 2>&1 || true
    read -r user sys rss < <(tail -n 1 time.txt)
    t=$(awk -v u="$user" -v s="$sys" 'BEGIN{print u + s}')
    echo "$rss" >rss.txt
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; fi
  done
  echo "$best"
}
row() {  # name seconds
  awk -v n="$1" -v t="$2" -v b="$bytes" -v c="$cat_s" -v r="$read_s" -v o="${ours_s:-$2}" 'BEGIN{
    if (t < 0.001) t = 0.001;
    printf "| %-28s | %8.2f | %6.3f | %5.0f %% | %5.0f %% | %7.1f |\n", n, t, b/t/1e9, 100*c/t, 100*r/t, t/o }'
}

find tree -type f -print0 | xargs -0 cat >/dev/null  # warm the page cache
cat_s=$(measure 7 $core sh -c 'find tree -type f -print0 | xargs -0 cat')
read_s=$(measure 7 $core "$bin/bench/read-tree" tree)
ours_s=$(measure 7 $core "$bin/cli/vireskand-scan" --subdirs tree)
ours_rss=$(cat rss.txt)
yara_s=$(measure 2 $core yara -p 1 -r rules.yar tree)
clam_s=$(measure 1 $core clamscan --no-summary -i -r -d sigs.ndb tree)
ref_s=$(measure 1 $core "$bin/bench/reference-scan" VirusBase.vbf tree)

# Detections: ours against the literal definition and the planted list.
"$bin/cli/vireskand-scan" --subdirs tree | grep -P '\tBench\.' | sort >ours.tsv || true
"$bin/bench/reference-scan" VirusBase.vbf tree | sort >reference.tsv || true
sed "s|^$work/||" expected.tsv | sort >planted.tsv
yara_hits=$(yara -p 1 -r rules.yar tree | awk '{print $2}' | sort -u | wc -l)
clam_hits=$(clamscan --no-summary -i -r -d sigs.ndb tree | grep -c FOUND || true)

# Memory on one file of 2 GiB (sparse: read from the page cache, no disk).
mkdir -p big && truncate -s 2G big/huge.bin
head -c 30 <(sed -n '1p' signatures.txt | cut -d' ' -f3- | xxd -r -p) |
  dd of=big/huge.bin bs=1 seek=$((2 * 1024 * 1024 * 1024 - 30)) conv=notrunc status=none
/usr/bin/time -f "%e %M" -o big.txt $core "$bin/cli/vireskand-scan" big >big.out 2>&1 || true
read -r big_s big_rss < <(tail -n 1 big.txt)

echo
echo "Tree: $(find tree -type f | wc -l) files, $((bytes / 1048576)) MiB, 200 signatures of ${minlen}-30 bytes; one core; page cache warm; CPU seconds, best of runs"
echo
echo "| tool                         | seconds  | GB/s   | of cat  | of read | × ours  |"
echo "|------------------------------|----------|--------|---------|---------|---------|"
row "cat of every file" "$cat_s"
row "read of every file (256 KiB)" "$read_s"
row "vireskand-scan" "$ours_s"
row "yara -p 1 (hex rules)" "$yara_s"
row "clamscan (.ndb only)" "$clam_s"
row "reference loop" "$ref_s"
echo
echo "Detections: ours $(wc -l <ours.tsv), reference $(wc -l <reference.tsv), planted $(wc -l <planted.tsv), yara $yara_hits, clamscan $clam_hits"
if cmp -s ours.tsv reference.tsv; then echo "Ours equal the reference on every file."; else echo "DIFFERENT from the reference"; fi
if cmp -s ours.tsv planted.tsv; then echo "Ours equal the planted list."; else echo "ours differ from the planted list"; fi
echo "Max resident memory: tree scan $((ours_rss / 1024)) MiB; 2 GiB file $((big_rss / 1024)) MiB in ${big_s} s ($(grep -c 'Bench.0' big.out) detection)"
