#!/usr/bin/env bash
# Builds the tests with sanitizers and runs them: scripts/sanitize.sh address,undefined|thread
# Only the test programs and the programs they start are built, with line tables alone for
# debug information: all a sanitizer's report needs, and a much smaller build.
set -euo pipefail
cd "$(dirname "$0")/.."
kind=$1
dir=build-${kind//,/-}
scripts/install-deps.sh
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORELBOX_SANITIZE="$kind" \
  -DQUORELBOX_BUILD_BENCH=OFF -DCMAKE_C_FLAGS_DEBUG=-g1 -DCMAKE_CXX_FLAGS_DEBUG=-g1 >/dev/null
cmake --build "$dir" --parallel "$(nproc)" --target qb_tests
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp"
ctest --test-dir "$dir" --output-on-failure --parallel "$(nproc)" --timeout 600
