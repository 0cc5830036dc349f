#!/usr/bin/env bash
# The main job: set up, build, make a sample disc when none is given, and convert the disc's
# longest title with the default settings into ~/dorvane/, showing progress.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
disc=${1:-}
if [ -z "$disc" ]; then
  bash tests/data/make_test_discs.sh build/test-discs >/dev/null
  disc=build/test-discs/ntsc_4x3
fi
exec build/tools/dorvane-cli convert "$disc" --yes
