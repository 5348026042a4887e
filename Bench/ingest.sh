#!/usr/bin/env bash
# Live-video ingest: the client's CPU per stream-second beside ffmpeg's, for 1, 16 and 64
# concurrent 4 Mbit/s H.264 streams over TCP and UDP from the simulator on loopback.
# Installs ffmpeg for itself (the library never needs it). SECONDS_PER_RUN sets the window.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v ffmpeg >/dev/null 2>&1; then
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq ffmpeg >/dev/null
fi
build_dir=${ONVIF_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" --target rtsp_ingest_bench
for transport in tcp udp; do
    for streams in 1 16 64; do
        "$build_dir/rtsp_ingest_bench" --transport "$transport" --streams "$streams" --seconds "${SECONDS_PER_RUN:-10}"
    done
done
