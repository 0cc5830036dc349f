#!/usr/bin/env bash
# The main job: set up, build, make a sample disc when none is given, and convert the disc's
# longest title with the saved settings (the defaults on a fresh machine) into ~/dorvane/,
# showing progress. Ctrl-C finishes the current file and stops.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
build_dir=${DORVANE_BUILD:-build}
disc=${1:-}
if [ -z "$disc" ]; then
  bash tests/data/make_test_discs.sh "$build_dir/test-discs" >/dev/null
  disc=$build_dir/test-discs/ntsc_4x3
fi
exec "$build_dir/tools/dorvane-cli" convert "$disc" --output-folder "$HOME/dorvane" --yes
