#!/usr/bin/env bash
# check_golden.sh SCENARIO.json COMMAND...
# Runs the scenario and compares what the runner gives with the scenario's golden, printing the
# difference when they differ. NAME.expected.json is the transcript of a scenario that runs;
# a scenario in a folder named "malformed" must be refused instead: NAME.expected.txt is the refusal
# (exit 2, the message on standard error, nothing on standard output).
# COMMAND runs the scenario runner; on Windows it begins with the program that runs it (Wine).
# With QUORVEL_UPDATE_GOLDENS=1 the golden is rewritten from this run instead.
set -u
scenario=$1
runner=("${@:2}")
folder=$(dirname "$scenario")
name=$(basename "$scenario" .json)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Run from the scenario's folder, so that a refusal names the file the same way on every machine.
(cd "$folder" && "${runner[@]}" "$name.json" >"$work/stdout" 2>"$work/stderr")
status=$?

if [ "$(basename "$folder")" = malformed ]; then
  golden=$folder/$name.expected.txt want_status=2 actual=$work/stderr
else
  golden=$folder/$name.expected.json want_status=0 actual=$work/stdout
fi

if [ "${QUORVEL_UPDATE_GOLDENS:-}" = 1 ]; then
  if [ "$status" != "$want_status" ]; then
    printf 'not updated: %s exited %s (want %s)\n' "$name" "$status" "$want_status"
    cat "$work/stderr"
    exit 1
  fi
  cp "$actual" "$golden"
  printf 'updated %s\n' "$golden"
  exit 0
fi

failed=0
if [ "$status" != "$want_status" ]; then
  printf 'FAILED %s: exit status %s (want %s)\n--- standard error\n' "$name" "$status" "$want_status"
  cat "$work/stderr"
  failed=1
fi
if [ ! -e "$golden" ]; then
  printf 'FAILED %s: no golden %s (run with QUORVEL_UPDATE_GOLDENS=1 to write it)\n' "$name" "$golden"
  exit 1
fi
if ! diff -u --label "$golden" --label "actual" "$golden" "$actual"; then
  printf 'FAILED %s: differs from %s\n' "$name" "$golden"
  failed=1
fi
if [ "$want_status" = 2 ] && [ -s "$work/stdout" ]; then
  printf 'FAILED %s: a refused scenario printed a transcript\n' "$name"
  failed=1
fi
exit $failed
