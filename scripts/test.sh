#!/usr/bin/env bash
# Sets up a fresh machine, builds everything and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh "$@"
cd "${DORVANE_BUILD:-build}"
ctest --output-on-failure -j "$(nproc)" --timeout 600
