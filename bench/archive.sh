#!/usr/bin/env bash
# The archive path: the command-line scanner on a tree of ZIP and GZIP
# archives against inflating them alone (`unzip -p` and `gzip -dc` over the
# same archives: the floor) and against clamscan with archive scanning on,
# given the same signatures. CPU seconds (user + system) are medians of
# interleaved rounds; detections are checked against the members planted.
# Usage: bench/archive.sh [ROUNDS] [ARCHIVES]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
archives=${2:-300}

cmake --preset native >/dev/null
cmake --build --preset native -j 2 --target vireskand-scan >/dev/null
scanner=$PWD/build/native/cli/vireskand-scan
work=$PWD/build/bench-archive
mkdir -p "$work"

# Archives of about 1 MiB of text-like and binary data each, deflated; one
# in ten holds a signature of the bundled database in a member, some nested.
if [ ! -f "$work/done-$archives" ]; then
  rm -rf "$work/tree" && mkdir -p "$work/tree"
  python3 - "$work/tree" "$archives" tools/VirusBase.txt >"$work/planted.txt" <<'PY'
import gzip, io, random, sys, zipfile
root, count, base = sys.argv[1], int(sys.argv[2]), sys.argv[3]
sigs = [bytes.fromhex("".join(l.split()[2:])) for l in open(base)
        if l.strip() and not l.startswith("#")]
rng = random.Random(7)
words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9)))
         for _ in range(3000)]
def member(n):
    if rng.random() < 0.5:
        return b" ".join(rng.choice(words) for _ in range(n // 6))[:n]
    # Binary: runs of repeats among random bytes, as programs compress.
    out = bytearray()
    while len(out) < n:
        out += rng.randbytes(rng.randint(16, 512)) * rng.randint(1, 4)
    return bytes(out[:n])
planted = 0
for i in range(count):
    infected = i % 10 == 3
    parts = [(f"dir{k}/file{k}.bin", member(rng.randint(20_000, 200_000))) for k in range(8)]
    if infected:
        name, data = parts[3]
        at = rng.randint(0, len(data))
        parts[3] = (name, data[:at] + sigs[i % len(sigs)] + data[at:])
        planted += 1
    if i % 7 == 0:
        blob = b"".join(d for _, d in parts)
        open(f"{root}/a{i:04d}.gz", "wb").write(gzip.compress(blob, 6))
        continue
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in parts: z.writestr(name, data)
    if i % 5 == 0:  # nested one level
        outer = io.BytesIO()
        with zipfile.ZipFile(outer, "w", zipfile.ZIP_DEFLATED) as z:
            z.writestr("inner.zip", buf.getvalue())
        buf = outer
    open(f"{root}/{'n' if i % 5 == 0 else 'a'}{i:04d}.zip", "wb").write(buf.getvalue())
print(planted)
PY
  touch "$work/done-$archives"
fi
planted=$(cat "$work/planted.txt")
# The same signatures for clamscan, as body signatures of any file type.
awk '!/^#/ && NF > 2 { s = ""; for (i = 3; i <= NF; ++i) s = s $i; print $1 ":0:*:" s }' \
  tools/VirusBase.txt >"$work/sigs.ndb"

cpu() {  # command...
  python3 -c '
import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
u = resource.getrusage(resource.RUSAGE_CHILDREN)
print("%.3f" % (u.ru_utime + u.ru_stime))' "$@"
}
floor() {
  cd "$work/tree"
  for f in a*.zip; do unzip -p "$f" >/dev/null; done
  # A nested archive: its inner ZIP, then that one's members.
  for f in n*.zip; do unzip -p "$f" inner.zip >"$work/inner.zip"; unzip -p "$work/inner.zip" >/dev/null; done
  for f in *.gz; do gzip -dc "$f" >/dev/null; done
}
export -f floor
export work
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

have_clam=0
command -v clamscan >/dev/null && have_clam=1
: >"$work/floor.txt"; : >"$work/ours.txt"; : >"$work/clam.txt"
for r in $(seq "$rounds"); do
  cpu bash -c floor >>"$work/floor.txt"
  cpu "$scanner" --db data/VirusBase.vbf --jobs 1 "$work/tree" >>"$work/ours.txt"
  if [ $have_clam = 1 ] && [ "$r" -le 3 ]; then
    cpu clamscan --no-summary --infected -d "$work/sigs.ndb" --scan-archive=yes -r "$work/tree" >>"$work/clam.txt"
  fi
done
found=$("$scanner" --db data/VirusBase.vbf "$work/tree" 2>/dev/null |
  awk -F'\t' 'NF >= 2 && $2 != "OK" && $2 !~ /^Ошибка/' | wc -l)
echo "archives: $archives, planted: $planted, found by vireskand-scan: $found"
if [ $have_clam = 1 ]; then
  clam_found=$(clamscan --no-summary --infected -d "$work/sigs.ndb" --scan-archive=yes -r "$work/tree" 2>/dev/null | grep -c FOUND || true)
  echo "found by clamscan: $clam_found"
fi
f=$(median <"$work/floor.txt"); o=$(median <"$work/ours.txt")
printf "%-28s %8s s CPU\n" "floor (unzip -p, gzip -dc)" "$f" "vireskand-scan --jobs 1" "$o"
[ $have_clam = 1 ] && printf "%-28s %8s s CPU\n" "clamscan --scan-archive" "$(median <"$work/clam.txt")"
awk -v o="$o" -v f="$f" 'BEGIN { printf "vireskand / floor: %.2f\n", o / f }'
