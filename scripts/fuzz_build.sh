#!/usr/bin/env bash
# Configures and builds the fuzz targets in build/fuzz (clang, libFuzzer with
# address and undefined-behaviour sanitizers); prints the folder of the
# programs. Sourced settings for running them: FUZZ_ENV.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${VN_JOBS:-$(nproc)}
cmake -S . -B build/fuzz -DVN_FUZZ=ON -DVN_WERROR=ON -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang > /dev/null
cmake --build build/fuzz --target fuzz_targets -j"$jobs" >&2
echo "$PWD/build/fuzz/tests/fuzz"
