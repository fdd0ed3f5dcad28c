#!/usr/bin/env bash
# Installs what is missing, builds, prepares a working folder with the
# bundled database and test files, and scans it with the command-line
# scanner.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)" --target vireskand-scan >/dev/null

work=build/demo
rm -rf "$work"
mkdir -p "$work/samples/docs"
cp data/VirusBase.vbf "$work/"
# The standard antivirus test file, assembled here so that no file of the
# project carries it whole.
printf '%s%s\n' 'X5O!P%@AP[4\PZX54(P^)7CC)7}$EICAR' '-STANDARD-ANTIVIRUS-TEST-FILE!$H+H*' \
  >"$work/samples/avtest.com"
printf 'Just a letter.\r\n' >"$work/samples/docs/letter.txt"
printf 'echo hello\r\n' >"$work/samples/hello.bat"

cd "$work"
echo "== vireskand-scan --subdirs --ok samples (in $work)"
../native/cli/vireskand-scan --subdirs --ok samples || true
