#!/usr/bin/env bash
# Runs many random project histories: crops, appends, entries, undos and
# redos with random marks over the corpus, checked after every step (see
# tests/history/history_run.h). The test command runs only a few seeds.
# Usage: history.sh [SEEDS [FIRST_SEED [STEPS]]]   (default 50 seeds from 1, 12 steps)
# CW_BUILD_DIR: a configured build tree to use (default build/history, made
# here as a Debug build); CW_CORPUS_DIR: the corpus (default: the build's,
# made with scripts/make-corpus.sh). A failing seed prints its steps as
# clipwright-cli commands.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seeds=${1:-50}
first=${2:-1}
steps=${3:-12}
build=${CW_BUILD_DIR:-$root/build/history}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCLIPWRIGHT_BENCH=OFF \
    -DCLIPWRIGHT_WITH_QT=OFF >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target cw_history_tests cw-std-check
corpus=${CW_CORPUS_DIR:-$build/corpus}
bash scripts/make-corpus.sh "$corpus"

echo "history.sh: $seeds seeds from $first, $steps steps each, record mode = seed mod 5"
echo "history.sh: commit $(git rev-parse --short HEAD 2>/dev/null || echo unknown), corpus $corpus"
CW_CORPUS_DIR=$corpus CW_HISTORY_SEEDS=$seeds CW_HISTORY_FIRST_SEED=$first CW_HISTORY_STEPS=$steps \
  "$build/tests/cw_history_tests" --gtest_filter='HistoryRandomLong.ChosenSeeds'
