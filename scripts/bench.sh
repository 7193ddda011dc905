#!/usr/bin/env bash
# Builds the release preset and runs the benchmarks (medians of 10 repetitions).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
for benchmark in build/release/bench/*_bench; do
  "$benchmark" --benchmark_repetitions=10 --benchmark_report_aggregates_only=true "$@"
done
