#!/usr/bin/env bash
# A longer fuzzing campaign: builds the libFuzzer targets with clang and runs each one for
# SECONDS seconds (default 600), growing a working corpus beside the seed corpus.
# Usage: fuzz/run-campaign.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-600}"
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(scanner parse read_file)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --parallel "$(nproc)"
for target in "${targets[@]}"; do
  work="build/fuzz/corpus-$target"
  mkdir -p "$work" "build/fuzz/artifacts-$target"
  echo "== $target for ${seconds}s"
  "build/fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="build/fuzz/artifacts-$target/" "$work" "fuzz/corpus/$target"
done
