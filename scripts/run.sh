#!/usr/bin/env bash
# The main job: builds Clipwright (release). With a display (DISPLAY or
# WAYLAND_DISPLAY set) it starts the editor on the bundled sample; without
# one it runs clipwright-cli on the sample: its clip information, then a cut
# of its middle.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/deps.sh
build=$root/build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCLIPWRIGHT_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
cli=$build/clipwright-cli
editor=$build/app/clipwright
sample=$root/tests/data/sample_vcd.mpg
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$editor" ]; then
  exec "$editor" "$sample"
fi
"$cli" probe --analyse "$sample"
if "$cli" --help 2>/dev/null | grep -q '^ *crop'; then
  out=${TMPDIR:-/tmp}/clipwright-sample-cut.mpg
  "$cli" crop "$sample" "$out" --in 1 --out 3 --mode vcd
  "$cli" probe "$out"
fi
