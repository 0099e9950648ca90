# Sourced by the command-line tests: a scratch folder, and `check`, which runs a command and compares
# its exit status, standard output and standard error with what is expected. `finish` reports.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0

# Standard input is $stdin when set, else nothing, so that no question waits for a terminal.
check() {  # [stdin=FILE] check NAME EXPECTED-STATUS EXPECTED-STDOUT STDERR-PATTERN -- COMMAND...
  local name=$1 want_status=$2 want_out=$3 want_err=$4
  shift 5
  local out err status
  out=$("$@" 2>"$work/stderr" <"${stdin:-/dev/null}"); status=$?
  err=$(cat "$work/stderr")
  if [ "$status" = "$want_status" ] && [ "$out" = "$want_out" ] && grep -qE -- "$want_err" <<<"$err"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAILED %s: status %s (want %s)\n--- stdout\n%s\n--- stderr\n%s\n' "$name" "$status" "$want_status" "$out" "$err"
  fi
}

finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
