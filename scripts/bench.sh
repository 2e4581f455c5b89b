#!/usr/bin/env bash
# Builds a release and runs every benchmark; each prints its own figures as
# ratios against a reference measured in the same run.
# Usage: bench.sh [BENCHMARK...]   (default: all of them)
# Large benchmark inputs are made once into build/bench-data and kept.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/deps.sh
build=$root/build/bench
data=$root/build/bench-data
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCLIPWRIGHT_TESTS=OFF \
  -DCLIPWRIGHT_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
mkdir -p "$data"

export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
programs=()
for p in "$build"/bench/* "$build"/player/player_bench "$build"/app/open_bench; do
  [[ -f "$p" && -x "$p" ]] && programs+=("$p")
done
status=0
for p in "${programs[@]}"; do
  name=$(basename "$p")
  if (($#)) && [[ " $* " != *" $name "* ]]; then
    continue
  fi
  echo "== $name"
  case $name in
    crop_bench) "$p" "$data" "$build/clipwright-cli" || status=1 ;;
    open_bench)
      bash scripts/make-corpus.sh "$data/corpus" >/dev/null
      "$p" "$data/corpus" || status=1
      ;;
    *) "$p" || status=1 ;;
  esac
done
exit $status
