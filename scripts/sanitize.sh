#!/usr/bin/env bash
# Builds the tests with sanitizers and runs them: scripts/sanitize.sh address,undefined|thread
set -euo pipefail
cd "$(dirname "$0")/.."
kind=$1
dir=build-${kind//,/-}
scripts/build.sh "$dir" -DCMAKE_BUILD_TYPE=Debug -DQUORELBOX_SANITIZE="$kind" -DQUORELBOX_BUILD_BENCH=OFF
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp"
ctest --test-dir "$dir" --output-on-failure --parallel "$(nproc)" --timeout 600
