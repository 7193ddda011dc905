#!/usr/bin/env bash
# Builds the `ferrywise` host and runs its demo: sample links (or the ones given) routed as `ferrywise open`
# routes them, in a throw-away desktop whose browsers and mail client show what they received.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target ferrywise-cli
build/dev/app/ferrywise demo "$@"
