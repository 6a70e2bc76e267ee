#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on the bundled samples.
#   ./run.sh        prints the coordinate table of the sample line
#   ./run.sh gui    starts the desktop program
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
if [ "${1:-}" = "gui" ]; then
    exec build/bin/tesk
fi
exec build/bin/tesk-cli piles --jd samples/main_line.jdx --breaks samples/main_line.dl \
    --piles samples/bridge.zw
