#!/usr/bin/env bash
# Installs what is missing, builds the three presets and runs every test:
# native, native with sanitizers (and a short fuzz run), and the Windows
# build under Wine in a virtual X display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
status=0
for preset in native asan win64; do
  echo "== $preset: build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
for preset in native asan; do
  echo "== $preset: test"
  ctest --preset "$preset" -j "$jobs" || status=1
done
echo "== win64: test (Wine, Xvfb)"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset win64 || status=1
exit $status
