#!/usr/bin/env bash
# Configures and builds Dorvane into ${DORVANE_BUILD:-build}. Extra arguments go to cmake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${DORVANE_BUILD:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=${DORVANE_BUILD_TYPE:-RelWithDebInfo} -DDORVANE_WERROR=ON "$@" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
