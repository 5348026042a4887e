#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with ctest.
# ONVIF_BUILD_DIR and ONVIF_CMAKE_ARGS let CI run a second, sanitized build.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/bootstrap.sh

build_dir=${ONVIF_BUILD_DIR:-build}
jobs=$(nproc 2>/dev/null || echo 2)

# shellcheck disable=SC2086
cmake -S . -B "$build_dir" -G Ninja ${ONVIF_CMAKE_ARGS:-} >/dev/null
cmake --build "$build_dir" -j "$jobs"
cd "$build_dir"
ctest --output-on-failure -j "$jobs" --timeout 600
