#!/usr/bin/env bash
# Builds the fuzz targets (clang, ONVIF_FUZZ=ON) and runs each, one after the other, for
# SECONDS on its committed seeds. Inputs the fuzzer finds stay in the build directory, not
# in git. A crash, leak, sanitizer report or slow input fails the run; the input is left in
# <build>/fuzz-work/<target>/crashes/ and its report in <build>/fuzz-work/<target>/log.
#
#   Fuzz/run.sh SECONDS [target ...]     (all targets when none are named)
#
# ONVIF_FUZZ_RUNS=N also ends each target after N executions, whichever comes first (the
# long run uses SECONDS=3600 with N=10000000).
set -euo pipefail
seconds=${1:?usage: Fuzz/run.sh SECONDS [target ...]}
shift
cd "$(dirname "$0")/.."

build_dir=${ONVIF_FUZZ_BUILD_DIR:-build-fuzz}
jobs=$(nproc 2>/dev/null || echo 2)
# Warnings stay warnings here: this build is about the checkers, and clang warns differently.
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DONVIF_FUZZ=ON -DONVIF_BUILD_TESTS=OFF -DONVIF_BUILD_BENCH=OFF -DONVIF_WERROR=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" -j "$jobs" --target onvif_fuzz

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for dir in Fuzz/corpus/*/; do
    targets+=("$(basename "$dir")")
  done
fi

failed=()
printf '%-26s %12s %8s %8s\n' target executions cov ft
for t in "${targets[@]}"; do
  work="$build_dir/fuzz-work/$t"
  mkdir -p "$work/corpus" "$work/crashes"
  status=0
  # New inputs go to the first directory; the committed seeds are only read.
  "$build_dir/Fuzz/$t" -max_total_time="$seconds" ${ONVIF_FUZZ_RUNS:+-runs="$ONVIF_FUZZ_RUNS"} -timeout=10 -rss_limit_mb=1024 -print_final_stats=1 \
    -artifact_prefix="$work/crashes/" "$work/corpus" "Fuzz/corpus/$t" >"$work/log" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$work/log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$work/log" | tail -1 | cut -d' ' -f2)
  printf '%-26s %12s %8s %8s\n' "$t" "${execs:-?}" "${cov:-?}" "${ft:-?}"
  if [ "$status" -ne 0 ]; then
    failed+=("$t")
    grep -m1 -E 'ERROR: |runtime error|SUMMARY' "$work/log" >&2 || true
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz: failures in ${failed[*]} (see $build_dir/fuzz-work/<target>/)" >&2
  exit 1
fi
