#!/usr/bin/env bash
# Builds everything and runs every test: unit and corpus tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, then a short fuzz run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
stage() { echo "test.sh: $1 (${SECONDS}s)"; }
bash scripts/deps.sh
stage "packages in place"

jobs=$(nproc)
build=$root/build/test
# -O1 and line tables only: the sanitizers' advice, and a clean build on two
# cores in about half the time of -O2 -g; the Qt and test-framework headers
# are precompiled once per target, and the test programs compile six files
# at a time.
# A compiler cache, where the machine has one, makes a rebuild of a tree that
# another checkout already built take seconds.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=$root
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
  -DCLIPWRIGHT_PCH=ON -DCLIPWRIGHT_UNITY_TESTS=ON -DCLIPWRIGHT_SANITIZE=ON -DCLIPWRIGHT_BENCH=OFF >/dev/null
cmake --build "$build" -j "$jobs"
stage "built"

bash scripts/make-corpus.sh "$build/corpus"
stage "corpus made"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" -j "$jobs" --output-on-failure --timeout 600
stage "tests passed"

# The tree installs like a desktop program: files, manuals, desktop entry,
# Debian package (installed and removed again when running as root).
bash scripts/check-install.sh "$build"
stage "installs"

if [ -x scripts/fuzz.sh ]; then
  bash scripts/fuzz.sh 40
  stage "fuzzed"
fi
