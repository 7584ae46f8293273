#!/usr/bin/env bash
# Builds the Debian package from a Release folder (no sanitizers, no tests, prefix /usr) and
# prints its file name and installed size. Usage: scripts/package.sh [BUILD_FOLDER] [JOBS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-package}
jobs=${2:-$(nproc)}
cd "$root"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DSANITIZE= \
  -DVELMORA_TESTS=OFF -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro -Wl,--as-needed" >/dev/null
cmake --build "$build" -j "$jobs"
rm -f "$build"/velmora_*.deb
(cd "$build" && cpack -G DEB >/dev/null)

deb=$(ls "$build"/velmora_*_amd64.deb)
size=$(dpkg-deb -f "$deb" Installed-Size)
echo "package: $deb"
echo "installed size: $size KiB"
