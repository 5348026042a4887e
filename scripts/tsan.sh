#!/usr/bin/env bash
# Runs the tests that exercise our threads (timer pool, asynchronous login limit, online
# checks, the RTSP loop, the stream-source cache, the notification server, pull workers and
# the push centre's renewals) under ThreadSanitizer. Only the two test binaries that hold them
# are built, in build-tsan, so the run stays affordable on a two-core machine.
#
# ONVIF_TSAN_BUILD_DIR overrides the build directory; ONVIF_TSAN_BUILD_ONLY=1 stops after the
# build. Every test binary run is bounded by `timeout`, so a deadlock under the slower
# instrumented code ends the script instead of hanging it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

./scripts/bootstrap.sh

build_dir=${ONVIF_TSAN_BUILD_DIR:-build-tsan}
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B "$build_dir" -G Ninja -DONVIF_SANITIZE=thread -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DONVIF_BUILD_TESTS=ON -DONVIF_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j "$jobs" --target onvif_unit_tests onvif_integration_tests
[[ "${ONVIF_TSAN_BUILD_ONLY:-0}" == 1 ]] && exit 0

# halt_on_error: the first report fails the run. second_deadlock_stack names both lock orders.
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 history_size=4 \
suppressions=$root/scripts/tsan.supp ${TSAN_OPTIONS:-}"

unit_filter='PlatformTimerPool.*:PlatformTimer.*:PlatformThread.*:PlatformMutex.*:PlatformLastError.*:RtspSession*:AsyncLoginLimit.*'
unit_filter+=':HostResolver.*'
integration_filter='ClientLoginTest.*:OnlineWindowTest.*:StreamSourceAgainstSim.*:RtspSession*:NotifyServer*:NotifyRouting.*'
# The snapshot tests stay out: the instrumented simulator draws a full-HD picture in more
# than the 5 s a snapshot may take, and their threads are the ones exercised above.
integration_filter+=':PullWorker.*:PushCentre*:EventManagerAgainstSim.*'

status=0
run() {
    local binary=$1 filter=$2
    echo "== $binary: $filter"
    # 900 s is several times the instrumented run on a loaded machine; past it something hangs.
    if ! timeout --kill-after=10 900 "$build_dir/$binary" --gtest_filter="$filter" --gtest_brief=1; then
        echo "tsan.sh: $binary failed or reported a race" >&2
        status=1
    fi
}
run onvif_unit_tests "$unit_filter"
run onvif_integration_tests "$integration_filter"
exit $status
