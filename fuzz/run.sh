#!/usr/bin/env bash
# Runs every fuzz target of a fuzzing build for a bounded time. New inputs go to BUILD/corpus/<target>;
# an input that makes a target fail is written to fuzz/regressions/<target>/, which the test run
# replays from then on, and this script fails.
set -uo pipefail
build=$1 seconds=$2
cd "$(dirname "$0")/.."
declare -A seeds=(
  [hive]="tests/hives/valid tests/hives/malformed"
  [mailto]="fuzz/seeds/mailto"
  [command_line]="fuzz/seeds/command_line"
)
status=0
for target in hive mailto command_line; do
  mkdir -p "$build/corpus/$target" "fuzz/regressions/$target"
  dictionary=()
  [ -f "fuzz/$target.dict" ] && dictionary=(-dict="fuzz/$target.dict")
  echo "fuzzing $target for $seconds s"
  # shellcheck disable=SC2086  # the seed folders are separate words
  if ! "$build/bin/${target}_fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="fuzz/regressions/$target/" "${dictionary[@]}" "$build/corpus/$target" ${seeds[$target]} \
      >"$build/$target.log" 2>&1; then
    tail -n 40 "$build/$target.log"
    status=1
  fi
  grep -E '^stat::number_of_executed_units' "$build/$target.log" || true
done
exit $status
