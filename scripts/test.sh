#!/usr/bin/env bash
# Installs what is missing, checks that every C++ file is formatted, builds everything
# optimised as a release is (Release: -O3, NDEBUG) with warnings as errors and runs the whole test suite;
# then builds the tests again unoptimised with AddressSanitizer and UndefinedBehaviorSanitizer and runs them
# too, and runs each fuzz target for 30 s.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh clang-format-14

echo "== format (clang-format-14, the style in .clang-format)"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format-14 --dry-run --Werror

echo "== build (Release, warnings as errors)"
scripts/build.sh build -DCMAKE_BUILD_TYPE=Release -DKORVEL_WERROR=ON
echo "== tests"
(cd build && ctest --output-on-failure -j "$(nproc)")

echo "== build with sanitizers"
scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DKORVEL_WERROR=ON -DKORVEL_SANITIZE=ON -DKORVEL_BUILD_BENCH=OFF
echo "== tests with sanitizers"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-asan && ctest --output-on-failure -j "$(nproc)")
echo "== fuzzing, 30 s a target"
scripts/fuzz.sh 30
echo "== all tests passed"
