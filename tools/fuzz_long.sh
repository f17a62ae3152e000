#!/usr/bin/env bash
# Runs every fuzz target for at least the given number of executions
# (default 10000000) from a scratch corpus copied from the seeds, going on
# after a crash, and prints a table: target, executions, crashes, time.
# A time limit per target, if given, ends a target's run early (the table
# shows how far it got). Crash inputs: build/fuzz/long/<target>/crash-*.
# Usage: tools/fuzz_long.sh [runs] [seconds per target] [target...]
# Runs for different targets may go side by side once the build is done:
# each clears only its targets' folders.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10000000}
limit=${2:-0}
source scripts/fuzz_env.sh
[ "$#" -gt 2 ] && FUZZ_TARGETS=("${@:3}")
bin=$(bash scripts/fuzz_build.sh)
# Absolute paths: the targets work in a folder of their own.
out=$PWD/build/fuzz/long
rows=()
for target in "${FUZZ_TARGETS[@]}"; do
  dir="$out/$target"
  rm -rf "$dir"
  mkdir -p "$dir/corpus"
  cp -r "tests/fuzz/corpus/$target/." "$dir/corpus/"
  done_runs=0
  crashes=0
  start=$(date +%s)
  pass=0
  # Each pass runs what is left; a crash ends a pass early and is counted.
  while [ "$done_runs" -lt "$runs" ] && [ "$crashes" -lt 20 ]; do
    left=0
    if [ "$limit" -gt 0 ]; then
      left=$((limit - ($(date +%s) - start)))
      [ "$left" -gt 0 ] || break
    fi
    pass=$((pass + 1))
    log="$dir/pass_$pass.log"
    if "$bin/$target" -runs=$((runs - done_runs)) -max_total_time="$left" -timeout=60 -print_final_stats=1 \
         -artifact_prefix="$dir/" "$dir/corpus" > "$log" 2>&1; then
      status=0
    else
      status=1
      crashes=$((crashes + 1))
    fi
    executed=$(grep -oE "stat::number_of_executed_units: *[0-9]+" "$log" | grep -oE "[0-9]+$" | tail -n 1)
    # A pass that died before its statistics counts one execution: the crashing one.
    done_runs=$((done_runs + ${executed:-1}))
    [ "$status" -eq 0 ] && break
  done
  seconds=$(( $(date +%s) - start ))
  rows+=("$(printf '%-24s %12s %8s %8ss' "$target" "$done_runs" "$crashes" "$seconds")")
done
printf '%-24s %12s %8s %9s\n' target executions crashes time
printf '%s\n' "${rows[@]}"
