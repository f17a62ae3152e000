#!/usr/bin/env bash
# Builds and runs every test: a warnings-as-errors build, the same tests under
# AddressSanitizer + UndefinedBehaviorSanitizer and under ThreadSanitizer, a
# compile of the station build (which nothing here can run) and a short run of
# every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
# Also runs npm ci in tests/browser, which the browser tests need.
bash scripts/setup.sh

jobs=${VN_JOBS:-$(nproc)}

configure_and_build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -DVN_WERROR=ON "$@" > /dev/null
  cmake --build "$dir" -j"$jobs"
}

echo "=== station build (compile only)"
configure_and_build build/station -DVN_PLATFORM=station

echo "=== fuzz smoke"
bash scripts/fuzz_smoke.sh

echo "=== address and undefined-behaviour sanitizers"
configure_and_build build/asan -DVN_SANITIZE=address,undefined -DCMAKE_BUILD_TYPE=Debug
# strict_memcmp=0 (here and under the thread sanitizer): the web server
# library checks a request's path against its protected areas with a memcmp
# of the area's length, which runs past a shorter path whose bytes already
# differ; the sanitizers' strict reading reports the bytes after its end.
ASAN_OPTIONS=detect_leaks=1:strict_memcmp=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan -j"$jobs" --output-on-failure

echo "=== thread sanitizer"
configure_and_build build/tsan -DVN_SANITIZE=thread
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 strict_memcmp=0 suppressions=$PWD/scripts/tsan_suppressions.txt" \
  ctest --test-dir build/tsan -j"$jobs" --output-on-failure

echo "=== release build"
configure_and_build build/release
ctest --test-dir build/release -j"$jobs" --output-on-failure
