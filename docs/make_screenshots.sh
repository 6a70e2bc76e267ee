#!/usr/bin/env bash
# Makes the screenshots of the README and the manual (docs/screenshots/*.png) with the desktop
# program itself, without a display: the sample main line loaded, a point computed, the design
# line drawn, the coordinate table and the pile sketch of the sample bridge.
#   docs/make_screenshots.sh [build-dir]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
if [ ! -x "$build_dir/bin/tesk" ]; then
    echo "make_screenshots: $build_dir/bin/tesk not found; build the project first" >&2
    exit 1
fi
QT_QPA_PLATFORM=offscreen "$build_dir/bin/tesk" --screenshot docs/screenshots samples
# The manual shows five of them.
mkdir -p docs/help/images
cp docs/screenshots/main_window.png docs/screenshots/drawing_detail.png \
    docs/screenshots/locate_dialog.png docs/screenshots/side_stake_dialog.png \
    docs/screenshots/polar_dialog.png docs/help/images/
