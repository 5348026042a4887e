#!/usr/bin/env bash
# The installed package as a recorder vendor meets it. Given a configured and built tree:
# installs it into a staging prefix, builds examples/host against it twice (find_package
# and pkg-config), runs both and the installed onvif-cli against the installed onvif-sim,
# then builds the .deb and checks what it carries.
#   scripts/package-check.sh BUILD_DIR
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: package-check.sh BUILD_DIR}" && pwd)
work=$build/package-check
stage=$work/stage
rm -rf "$work"
mkdir -p "$work"

sim_pid=
cleanup() { [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true; }
trap cleanup EXIT
fail() { echo "package-check: $*" >&2; exit 1; }

echo "== install into $stage"
cmake --install "$build" --prefix "$stage" >/dev/null
libdir=$(cd "$stage" && ls -d lib*/ | head -1)
libdir=${libdir%/}
for f in "$libdir"/libOnvifClient.so "$libdir"/cmake/OnvifClient/OnvifClientConfig.cmake \
         "$libdir"/pkgconfig/onvifclient.pc include/OnvifClient/IClient.h include/OnvifClient/OnvifExports.h \
         bin/onvif-cli bin/onvif-sim share/onvif-client/devices/camera-1ch-media.json; do
  [ -e "$stage/$f" ] || fail "the install lacks $f"
done

echo "== example host with find_package(OnvifClient)"
cmake -S "$src/examples/host" -B "$work/example" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$stage" >/dev/null
cmake --build "$work/example" >/dev/null

echo "== example host with pkg-config"
pc_flags=$(PKG_CONFIG_PATH="$stage/$libdir/pkgconfig" pkg-config --cflags --libs onvifclient)
# shellcheck disable=SC2086
c++ -std=c++17 "$src/examples/host/main.cpp" -o "$work/example-pc" $pc_flags -Wl,-rpath,"$stage/$libdir"

echo "== against the installed simulator"
# Its data from the installed share directory, not the source tree.
ONVIF_SIM_DEVICES_DIR="$stage/share/onvif-client/devices" ONVIF_SIM_MEDIA_DIR="$stage/share/onvif-client/media" \
  "$stage/bin/onvif-sim" --device "$stage/share/onvif-client/devices/camera-1ch-media.json" \
  >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
for _ in $(seq 1 100); do
  grep -q "device_service" "$work/sim.out" 2>/dev/null && break
  sleep 0.1
done
port=$(sed -n 's|.*127\.0\.0\.1:\([0-9]*\)/.*|\1|p' "$work/sim.out" | head -1)
[ -n "$port" ] || fail "onvif-sim did not start: $(cat "$work/sim.err")"

for host in "$work/example/onvif-example-host" "$work/example-pc"; do
  out=$("$host" 127.0.0.1 "$port" admin admin123) || fail "$host failed: $out"
  echo "  $(basename "$host"): $out"
  case "$out" in *"1 video channel"*) ;; *) fail "$host printed: $out" ;; esac
done
if "$work/example-pc" 127.0.0.1 "$port" admin wrong-password >/dev/null 2>&1; then
  fail "a wrong password logged in"
fi
"$stage/bin/onvif-cli" --host 127.0.0.1 --port "$port" --user admin --password admin123 info >/dev/null \
  || fail "the installed onvif-cli could not log in"

echo "== Debian package"
(cd "$build" && cpack -G DEB -B "$work/deb" >/dev/null) || fail "cpack failed"
deb=$(ls "$work"/deb/*.deb | head -1)
contents=$(dpkg-deb -c "$deb")
for f in libOnvifClient.so.2 OnvifClientConfig.cmake onvifclient.pc include/OnvifClient/IClient.h \
         bin/onvif-cli bin/onvif-sim share/onvif-client/media; do
  grep -q "$f" <<<"$contents" || fail "the .deb lacks $f"
done
echo "  $(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"
echo "package-check: ok"
