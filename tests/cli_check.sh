# Sourced by the command-line tests: a scratch folder, and `check`, which runs a command and compares
# its exit status, standard output and standard error with what is expected. `finish` reports.
# `desktop` and the functions after it make a private desktop with recording mail clients, the same
# desktop tests/sandbox/desktop.h makes for the C++ tests and the benchmarks.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
# Nothing may reach the real desktop, its session bus or another mail handler.
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION GNOME_DESKTOP_SESSION_ID KDE_FULL_SESSION DISPLAY WAYLAND_DISPLAY \
  DBUS_SESSION_BUS_ADDRESS BROWSER MAILER

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

# as_nobody COMMAND...: the command as user and group 65534 when run by the superuser, who may write any
# file; as it is otherwise. The command-line host then runs from a copy in the scratch folder (which the
# script must open to others), since the build folder may be closed to other users.
as_nobody() {
  [ "$(id -u)" = 0 ] || { "$@"; return; }
  if [ "$1" = "$quorvel" ]; then
    if [ ! -e "$work/nobody/bin/quorvel" ]; then
      mkdir -p "$work/nobody/bin" "$work/nobody/lib"
      cp "$quorvel" "$work/nobody/bin/" && cp -P "${quorvel%/*}"/../lib/libquorvel.so* "$work/nobody/lib/"
    fi
    # The build's own run path names the build folder: the copied library is found through the environment.
    set -- env LD_LIBRARY_PATH="$work/nobody/lib" "$work/nobody/bin/quorvel" "${@:2}"
  fi
  setpriv --reuid=65534 --regid=65534 --clear-groups "$@"
}

# desktop NAME: a fresh private desktop with no mail client, its hives and temporary folder inside it.
desktop() {
  root=$work/$1
  mkdir -p "$root"/{home,data/applications,data-dir,config,config-dir,runtime,tmp,bin,records}
  chmod 700 "$root/runtime"
  export HOME=$root/home XDG_DATA_HOME=$root/data XDG_DATA_DIRS=$root/data-dir XDG_CONFIG_HOME=$root/config \
    XDG_CONFIG_DIRS=$root/config-dir XDG_RUNTIME_DIR=$root/runtime TMPDIR=$root/tmp \
    QUORVEL_MACHINE_HIVE=$root/machine.reg QUORVEL_USER_HIVE=$root/user.reg
}

# recording_program NAME [FOLDER]: FOLDER/NAME (bin/NAME by default), a program that writes its arguments,
# each ended by a NUL, to records/NAME: renamed into place, so that `record` never reads half of one.
recording_program() {
  local program=${2:-$root/bin}/$1 out=$root/records/$1
  mkdir -p "${program%/*}"
  printf '#!/bin/sh\nfor a do printf "%%s\\000" "$a"; done >"%s.$$" && mv "%s.$$" "%s"\n' "$out" "$out" "$out" >"$program"
  chmod 755 "$program"
}

# entry ID NAME EXEC [LINE...]: a desktop entry for mailto: links, with more lines such as Hidden=true.
entry() {
  printf '[Desktop Entry]\nType=Application\nName=%s\nExec=%s\nMimeType=x-scheme-handler/mailto;\n' "$2" "$3" \
    >"$root/data/applications/$1.desktop"
  [ $# -gt 3 ] && printf '%s\n' "${@:4}" >>"$root/data/applications/$1.desktop"
  update-desktop-database "$root/data/applications"
}

# default_client ID: the desktop's default mailto: handler.
default_client() { printf '[Default Applications]\nx-scheme-handler/mailto=%s.desktop\n' "$1" >"$root/config/mimeapps.list"; }

# client ID NAME EXEC-ARGUMENTS [LINE...]: a handler, its program bin/ID a recording one.
client() { recording_program "$1"; entry "$1" "$2" "$root/bin/$1 $3" "${@:4}"; }
# desktop_with ID NAME EXEC-ARGUMENTS [LINE...]: a fresh desktop ID with that one client, the default.
desktop_with() { desktop "$1"; client "$@"; default_client "$1"; }

# record NAME: the arguments NAME was last started with, one a line, a line break inside one shown as
# \r and \n; kept as records/NAME.last. The client is started without being waited for.
record() {
  for _ in $(seq 200); do
    [ -e "$root/records/$1" ] && break
    sleep 0.1
  done
  mv "$root/records/$1" "$root/records/$1.last" && sed -z 's/\r/\\r/g; s/\n/\\n/g' "$root/records/$1.last" | tr '\0' '\n'
}

# argument NAME N: the Nth argument of NAME's last record.
argument() { sed -zn "$2p" "$root/records/$1.last" | tr -d '\0'; }
# body_file NAME: the body file named in NAME's last record (message=FILE).
body_file() { tr '\0' '\n' <"$root/records/$1.last" | sed -n 's/.*message=\([^,]*\),.*/\1/p'; }
# compose NAME: NAME's record, the path of the body file, under the runtime folder, shown as FOLDER/BODY.
compose() { record "$1" | sed "s|message=$root/runtime/\([^,]*\)/body-[[:alnum:]]\{6\}\.txt,|message=\1/BODY,|"; }
# text FILE...: the files, a carriage return shown as \r.
text() { sed 's/\r/\\r/g' "$@"; }

# json_line COMMAND...: the command's JSON output on one line, without the blanks after [ { , : and before ] }.
json_line() { "$@" | tr -d '\n' | sed 's/\([[,:{]\) */\1/g; s/  *\([]}]\)/\1/g'; }
