#!/usr/bin/env bash
# Builds every fuzz target with clang (libFuzzer, ASan, UBSan) and runs each from its seed
# corpus for a share of the total budget: scripts/fuzz.sh [SECONDS]. Fails on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
budget=${1:-120}
dir=build-fuzz
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang-14 \
  -DCMAKE_CXX_COMPILER=clang++-14 -DQUORELBOX_BUILD_FUZZ=ON -DQUORELBOX_BUILD_TESTS=OFF \
  -DQUORELBOX_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" --parallel "$(nproc)" --target fuzzers
targets=("$dir"/fuzz/*_fuzz)
share=$(( budget / ${#targets[@]} ))
[ "$share" -ge 1 ] || share=1
for target in "${targets[@]}"; do
  name=$(basename "$target")
  seeds=fuzz/corpus/${name%_fuzz}
  work=$(mktemp -d)
  echo "== $name for ${share}s"
  "$target" -max_total_time="$share" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$dir/$name-" "$work" "$seeds"
  rm -rf "$work"
done
echo "fuzz: ${#targets[@]} targets, no findings"
