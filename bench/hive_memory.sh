#!/usr/bin/env bash
# The peak memory of reading one large hive file, beside the file's size: a hive of KEYS keys (252,000
# by default, some 63 MB, near the 64 MiB a hive file may hold) made as the Hive/keys_* benchmarks make
# theirs, then read once through the library (platform::ReadHiveFile) in a process of its own under
# GNU time. The same process reading an empty hive gives the program's own floor.
#
#   bench/hive_memory.sh [BENCH_PROGRAM [KEYS [utf8|utf16]]]     default: build/bin/quorvel_bench 252000 utf8
set -eu
program=${1:-build/bin/quorvel_bench}
keys=${2:-252000}
encoding=${3:-utf8}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

write=--write-hive
[ "$encoding" = utf16 ] && write=--write-hive-utf16
"$program" "$write" "$work/big.reg" "$keys"
: >"$work/empty.reg"

peak_kb() {  # the maximum resident set size of reading the hive file $1, in kB; the CPU seconds in $work/cpu
  /usr/bin/time -v "$program" --read-hive "$1" 2>"$work/time" >"$work/out" || { cat "$work/time" >&2; exit 1; }
  awk -F': ' '/User time|System time/ { cpu += $2 } END { print cpu }' "$work/time" >"$work/cpu"
  sed -n 's/^[[:space:]]*Maximum resident set size (kbytes): //p' "$work/time"
}
size=$(stat -c %s "$work/big.reg")
floor=$(peak_kb "$work/empty.reg")
peak=$(peak_kb "$work/big.reg")
awk -v keys="$keys" -v enc="$encoding" -v size="$size" -v floor="$floor" -v peak="$peak" -v out="$(cat "$work/out")" \
    -v cpu="$(cat "$work/cpu")" 'BEGIN {
  printf "hive: %d keys, %s, %.1f MB (%s)\n", keys, enc, size / 1e6, out
  printf "peak resident, reading it: %.1f MB = %.2f x the file (%.2f s of CPU, the program start included)\n",
    peak * 1024 / 1e6, peak * 1024 / size, cpu
  printf "peak resident, reading an empty hive: %.1f MB; the difference: %.1f MB = %.2f x the file\n",
    floor * 1024 / 1e6, (peak - floor) * 1024 / 1e6, (peak - floor) * 1024 / size
}'
