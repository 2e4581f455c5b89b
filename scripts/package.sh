#!/usr/bin/env bash
# Builds the Debian package of Clipwright from a release build:
# build/package/clipwright_VERSION_ARCH.deb, then runs lintian on it.
# Install it with: apt install ./build/package/clipwright_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/deps.sh
build=$root/build/package
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCLIPWRIGHT_TESTS=OFF \
  -DCLIPWRIGHT_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
(cd "$build" && cpack -G DEB -B "$build" >/dev/null)
rm -rf "$build/_CPack_Packages"
deb=$(ls "$build"/clipwright_*.deb)
lintian --tag-display-limit 0 "$deb" || true
echo "package: $deb"
