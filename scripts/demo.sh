#!/usr/bin/env bash
# Installs what is missing, builds the library and onvif-cli, and tours the embedded
# simulated camera: no camera needed. Extra arguments go to the tour
# (for example --json, or --host/--user/--password for a real device).
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/bootstrap.sh

build_dir=${ONVIF_BUILD_DIR:-build}
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B "$build_dir" -G Ninja >/dev/null
cmake --build "$build_dir" -j "$jobs" --target onvif-cli
exec "$build_dir/onvif-cli" tour "$@"
