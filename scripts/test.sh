#!/usr/bin/env bash
# Builds and runs the whole test suite. Usage: scripts/test.sh [dev|asan]  (default: dev)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-dev}"
scripts/install-deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"
