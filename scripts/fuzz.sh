#!/usr/bin/env bash
# Runs each reader's fuzz target for a bounded number of inputs, starting from the seed
# corpus: no crash, no leak, no hang. RUNS (default 200000) sets the number per target.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${RUNS:-200000}
scripts/deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for target in obj gltf scene point_cache; do
  mkdir -p "$work/$target"
  extra=()
  max_len=65536
  [ "$target" = gltf ] && extra+=(-dict=fuzz/gltf.dict)
  [ "$target" = scene ] && max_len=262144  # room for the seeds of 1025 nested objects
  echo "fuzz: $target, $runs inputs"
  build/fuzz/fuzz/fuzz_$target -runs="$runs" -timeout=10 -rss_limit_mb=2048 -max_len=$max_len \
    "${extra[@]}" "$work/$target" "fuzz/corpus/$target" 2>&1 | tail -n 3
done
