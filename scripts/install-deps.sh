#!/usr/bin/env bash
# Brings a fresh Debian machine to a state that builds and tests everything.
# Quick and silent when all is there.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev zlib1g-dev libz-mingw-w64-dev
  googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth x11-apps x11-utils imagemagick xdotool
  fonts-liberation fonts-dejavu-core fonts-wine locales nsis unzip
  python3
)
# Peers of the folder-scan benchmark.
bench_packages=(libvectorscan-dev yara clamav hyperfine)

want=("${packages[@]}")
[ "${1:-}" = "--bench" ] && want+=("${bench_packages[@]}")

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}" >&2
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
