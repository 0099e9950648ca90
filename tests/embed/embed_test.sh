#!/usr/bin/env bash
# Configures a host that adds the source tree with add_subdirectory, then checks that it got the library
# alone: no target of Quorvel's tests, benchmarks or fuzzing, and none of Quorvel's flags on its own code.
# Configuring tells both; that a host links the library is install_and_consume's to show.
set -eu
cmake=$1 cxx=$2 source=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cmake" -S "$source/tests/embed" -B "$work/host" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" -DQUORVEL_SOURCE="$source" \
  >"$work/output" 2>&1 || { cat "$work/output"; exit 1; }
ours=$("$cmake" --build "$work/host" --target help | grep -E 'quorvel_(tests|doubles|scenario|bench)|_fuzzer' || true)
[ -z "$ours" ] || { echo "FAILED: the host defines Quorvel's own targets:"; echo "$ours"; exit 1; }
command=$(grep -E '"command": .*/host\.cc"' "$work/host/compile_commands.json")
if grep -qE -- ' -(W|fsanitize)' <<<"$command"; then echo "FAILED: Quorvel's flags reached the host: $command"; exit 1; fi
