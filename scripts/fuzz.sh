#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of
# seconds (default 30) on a copy of its seed corpus. Prints the executions per target.
# usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-30}

scripts/install-deps.sh clang-14 libclang-rt-14-dev
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$(nproc)"

export ASAN_OPTIONS=detect_leaks=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in fuzz_ecu_reader fuzz_settings_file fuzz_value_format fuzz_bin_reader fuzz_xdf_reader fuzz_equation fuzz_adx_reader fuzz_aldl_log_reader; do
  work=build-fuzz/corpus/$target
  mkdir -p "$work" build-fuzz/crashes
  cp -n tests/fuzz/corpus/$target/* "$work/" 2>/dev/null || true
  log=build-fuzz/$target.log
  if ! build-fuzz/tests/fuzz/$target -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix=build-fuzz/crashes/ "$work" >"$log" 2>&1; then
    tail -40 "$log"
    echo "== $target FAILED (input saved under build-fuzz/crashes/)"
    exit 1
  fi
  execs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$' || true)
  [ -n "$execs" ] || execs=$(grep -oE '#[0-9]+' "$log" | tail -1 | tr -d '#')
  echo "== $target: $execs executions in ${seconds}s, no crash"
done
