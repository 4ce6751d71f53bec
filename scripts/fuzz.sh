#!/usr/bin/env bash
# Builds every fuzz target with clang (libFuzzer, ASan, UBSan) and runs each from its seed
# corpus for a share of the total budget: scripts/fuzz.sh [SECONDS]. Fails on any finding.
# Before fuzzing, a target reads once each whole real file of fuzz/replay/<name>/, files
# too large to be fuzzed at speed (a saved virtual box is a megabyte). The inputs each
# target ran a second are listed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
budget=${1:-120}
dir=build-fuzz
scripts/install-deps.sh fuzz
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang-14 \
  -DCMAKE_CXX_COMPILER=clang++-14 -DQUORELBOX_BUILD_FUZZ=ON -DQUORELBOX_BUILD_TESTS=OFF \
  -DQUORELBOX_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" --parallel "$(nproc)" --target fuzzers
targets=("$dir"/fuzz/*_fuzz)
share=$(( budget / ${#targets[@]} ))
[ "$share" -ge 1 ] || share=1
speeds=()
for target in "${targets[@]}"; do
  name=$(basename "$target")
  seeds=fuzz/corpus/${name%_fuzz}
  replay=fuzz/replay/${name%_fuzz}
  if [ -d "$replay" ]; then
    echo "== $name on the whole files of $replay"
    "$target" -timeout=60 -rss_limit_mb=2048 -artifact_prefix="$dir/$name-" "$replay"/*
  fi
  work=$(mktemp -d)
  log=$(mktemp)
  echo "== $name for ${share}s"
  status=0
  "$target" -max_total_time="$share" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$dir/$name-" "$work" "$seeds" 2>&1 | tee "$log" || status=$?
  rm -rf "$work"
  if [ "$status" -ne 0 ]; then rm -f "$log"; exit "$status"; fi
  speeds+=("$(printf '%-24s %6s inputs/s' "$name" \
    "$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")")")
  rm -f "$log"
done
printf '  %s\n' "${speeds[@]}"
echo "fuzz: ${#targets[@]} targets, no findings"
