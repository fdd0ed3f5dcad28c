#!/usr/bin/env bash
# Installs what is missing, builds, prepares a working folder with the
# bundled database and harmless samples of every kind it knows (four
# curable ones, the antivirus test file, a dropper, clean files), and scans
# it with the command-line scanner.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)" --target vireskand-scan make-samples >/dev/null

work=build/demo
rm -rf "$work"
mkdir -p "$work"
cp data/VirusBase.vbf "$work/"
# samples/: what to scan; clean/: the programs the cures give back.
build/native/tools/make-samples data/VirusBase.vbf "$work"

cd "$work"
echo "== vireskand-scan --subdirs --ok samples (in $work)"
../native/cli/vireskand-scan --subdirs --ok samples || true
echo
echo "To cure the four curable kinds and delete the rest:"
echo "  cd $work && ../native/cli/vireskand-scan --subdirs --action cure-or-delete --yes samples"
