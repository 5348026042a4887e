#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
# Quiet and fast when everything is already there; safe to run again.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libjsoncpp-dev libpugixml-dev libcurl4-openssl-dev libasio-dev libssl-dev
  libcli11-dev libgtest-dev libgmock-dev libbenchmark-dev
  dpkg-dev file
  iproute2
  clang libclang-rt-14-dev   # the fuzz build: clang and its libFuzzer runtime
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "bootstrap: missing packages (${missing[*]}) and not root; install them and retry" >&2
  exit 1
fi

echo "bootstrap: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq >/dev/null
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
