#!/usr/bin/env bash
# The main job: set up, build the command-line front end, make a sample disc when none is given,
# and convert the disc's longest title with the saved settings (the defaults on a fresh machine)
# into ~/dorvane/, showing progress. Ctrl-C finishes the current file and stops.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build_dir=${DORVANE_BUILD:-build}
# Configured as scripts/build.sh does, so both share one build folder; only what runs here is built.
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=${DORVANE_BUILD_TYPE:-RelWithDebInfo} -DDORVANE_WERROR=ON >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target dorvane-cli
disc=${1:-}
if [ -z "$disc" ]; then
  bash tests/data/make_test_discs.sh "$build_dir/test-discs" >/dev/null
  disc=$build_dir/test-discs/ntsc_4x3
fi
exec "$build_dir/tools/dorvane-cli" convert "$disc" --output-folder "$HOME/dorvane" --yes
