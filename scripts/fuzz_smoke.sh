#!/usr/bin/env bash
# Builds the fuzz targets and runs each briefly from its seed corpus (about a
# minute in all, VN_FUZZ_SECONDS to change it); fails on any crash, leak,
# sanitizer report or hang. A crash input is kept in build/fuzz/artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/fuzz_env.sh
bin=$(bash scripts/fuzz_build.sh)
total=${VN_FUZZ_SECONDS:-60}
each=$(( total / ${#FUZZ_TARGETS[@]} ))
[ "$each" -ge 1 ] || each=1
# Absolute paths: the targets work in a folder of their own.
artifacts=$PWD/build/fuzz/artifacts
mkdir -p "$artifacts"
failed=()
for target in "${FUZZ_TARGETS[@]}"; do
  # New inputs go to a scratch folder; the seeds in the repository stay as they are.
  scratch=$(mktemp -d)
  echo "--- $target (${each}s)"
  if ! "$bin/$target" -max_total_time="$each" -timeout=30 -print_final_stats=1 \
       -artifact_prefix="$artifacts/$target-" "$scratch" "$PWD/tests/fuzz/corpus/$target" \
       > "$artifacts/$target.log" 2>&1; then
    tail -n 40 "$artifacts/$target.log"
    failed+=("$target")
  else
    grep -E "stat::number_of_executed_units" "$artifacts/$target.log" || true
  fi
  rm -rf "$scratch"
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz smoke failed: ${failed[*]} (inputs in $artifacts)"
  exit 1
fi
echo "fuzz smoke passed"
