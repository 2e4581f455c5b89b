#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build/fuzz and runs each for its
# share of SECONDS (default 60) from the committed seeds. Inputs that grow
# coverage collect in build/fuzz/corpus/<target>; a crash or sanitizer report
# leaves its input in build/fuzz/findings and makes this script fail.
# Usage: fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-60}
build=$root/build/fuzz
seeds=$root/tests/fuzz/seeds

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
  -DCLIPWRIGHT_FUZZ=ON -DCLIPWRIGHT_WITH_QT=OFF -DCLIPWRIGHT_BENCH=OFF >/dev/null

# target name, then the seed folders it starts from
targets=(
  "quick_analysis system video audio"
  "head_tail_system system"
  "head_tail_video video"
  "head_tail_audio audio"
  "stream_check system video audio"
)
names=()
for t in "${targets[@]}"; do names+=("fuzz_${t%% *}"); done
cmake --build "$build" -j "$(nproc)" --target "${names[@]}"

share=$((seconds / ${#targets[@]}))
((share >= 1)) || share=1
mkdir -p "$build/findings"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=0
for t in "${targets[@]}"; do
  read -r name dirs <<<"$t"
  corpus=$build/corpus/$name
  mkdir -p "$corpus"
  seedDirs=()
  for d in $dirs; do seedDirs+=("$seeds/$d"); done
  echo "fuzz: $name for ${share}s"
  if ! "$build/tests/fuzz/fuzz_$name" -max_total_time="$share" -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/findings/$name-" \
    "$corpus" "${seedDirs[@]}" >"$build/$name.log" 2>&1; then
    echo "fuzz: $name FOUND A PROBLEM (log: $build/$name.log)" >&2
    tail -n 40 "$build/$name.log" >&2
    failed=1
  else
    grep -E "^stat::number_of_executed_units|^#[0-9]+.*DONE" "$build/$name.log" | tail -n 2 || true
  fi
done
exit $failed
