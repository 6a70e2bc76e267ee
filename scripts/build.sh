#!/usr/bin/env bash
# Configures and builds the project into build/ (or $TESK_BUILD_DIR). Extra arguments go to
# CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${TESK_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"
