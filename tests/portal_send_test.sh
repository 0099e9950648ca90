#!/usr/bin/env bash
# `quorvel send` through the desktop's Email portal, for real: Xvfb, a private session bus that
# starts Debian's xdg-desktop-portal and xdg-desktop-portal-gtk, and a recording program as the
# default mailto: handler. The cases are tests/cases/portal_send.txt. Exits 77 (skipped) when Xvfb or
# the portal is not there.
set -u
quorvel=$(realpath "$1") cases=$2
. "$(dirname "$0")/cli_check.sh"
unset SNAP QUORVEL_PORTAL_ATTACHMENTS

xvfb='' buses=()
# Each bus leads a process group of its own, which the portal services it starts stay in.
stop_desktop() {
  for bus in "${buses[@]}"; do kill -- "-$bus" 2>/dev/null; done
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
}
trap 'stop_desktop; rm -rf "$work"' EXIT
trap 'exit 143' TERM INT HUP

skip() { echo "SKIPPED: $*"; exit 77; }
[ -x /usr/libexec/xdg-desktop-portal ] && [ -x /usr/libexec/xdg-desktop-portal-gtk ] ||
  skip "xdg-desktop-portal and xdg-desktop-portal-gtk are not installed (scripts/install-deps.sh installs them)"
command -v Xvfb >/dev/null || skip "Xvfb is not installed"

# wait_for FILE [PID]: until FILE has something in it, 10 seconds at most, or the process PID ended.
wait_for() {
  for _ in $(seq 100); do
    [ -s "$1" ] && return 0
    [ -z "${2:-}" ] || kill -0 "$2" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# The desktop, its default mailto: handler a recording program. The bus and the portal services started
# by it see this environment; their XDG_DATA_DIRS reaches the machine's D-Bus services and GSettings
# schemas, but not its applications, so the handler is always the test's own.
desktop_with mailer Mailer %u
ln -s /usr/share/dbus-1 /usr/share/glib-2.0 "$root/data-dir/"

# Xvfb and the bus end with this script even when it is killed; the portal services end with the bus.
setpriv --pdeathsig KILL Xvfb -displayfd 3 -nolisten tcp -screen 0 640x480x24 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
wait_for "$work/display" "$xvfb" || skip "Xvfb cannot start: $(tail -n 3 "$work/xvfb.log")"

# start_bus NAME SERVICES: a session bus whose services are found as the SERVICES element says; its
# address goes to $work/NAME-address. Without the accessibility bridge, GTK starts no bus of its own.
start_bus() {
  cat >"$work/$1.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$root/runtime</listen>
  <auth>EXTERNAL</auth>
  $2
  <policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy>
</busconfig>
EOF
  DISPLAY=:$(cat "$work/display") NO_AT_BRIDGE=1 setsid setpriv --pdeathsig KILL \
    dbus-daemon --config-file="$work/$1.conf" --nofork --print-address=4 4>"$work/$1-address" 2>"$work/$1.log" &
  buses+=($!)
  wait_for "$work/$1-address" $! || { cat "$work/$1.log"; echo "FAILED: the session bus did not start"; exit 1; }
}
start_bus desktop '<standard_session_servicedirs/>'
start_bus bare "<servicedir>$work/no-services</servicedir>"
export DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/desktop-address") QUORVEL_COMPOSE=portal

prefix='mailto:ann@example.org?subject=&body='
for size in 0 1; do head -c $((131071 - ${#prefix} + size)) /dev/zero | tr '\0' a >"$work/$([ $size = 0 ] && echo fits || echo over).txt"; done
printf 'Gr\xfc\xdfe\n' >"$work/latin1.txt"
for name in minutes.txt 'notes, v2.txt' 'x&subject=Y.txt' 'a#b.txt' '100%41.txt'; do printf 'Minutes.\n' >"$work/$name"; done

# The fall-back's own URL (Subject= or none) reached the client, never the portal's (always subject=).
fall_back_only() { local url; url=$(record mailer) && [[ $url != *'?subject='* ]]; }
# handed OUTCOME: the URL the handler got is as a url=, url~ or length= outcome says.
handed() {
  local url; url=$(record mailer) || return
  case $1 in
    url=*) [ "$url" = "${1#url=}" ] ;;
    url~*) grep -qE -- "${1#url~}" <<<"$url" ;;
    length=*) [ "${#url}" = "${1#length=}" ] ;;
  esac || { printf '%s' "$url"; return 1; }
}

# A case: its environment, then `quorvel send -v` with its arguments; the outcome as the case file says.
while IFS='|' read -r name environment arguments outcome; do
  [ "$environment" = - ] && environment=''
  read -r -a environment <<<"$environment"
  eval "arguments=($arguments)"
  rm -f "$root/records/mailer"
  if [[ $outcome = error~* ]]; then
    check "$name: the error" 0 '' "${outcome#error~}" -- env "${environment[@]}" "$quorvel" send -v "${arguments[@]}"
    check "$name: only the fall-back reached the client" 0 '' '' -- fall_back_only
  else
    check "$name: quiet" 0 '' '^$' -- env "${environment[@]}" "$quorvel" send "${arguments[@]}"
    check "$name: the URL" 0 '' '' -- handed "$outcome"
  fi
done < <(grep -v -e '^#' -e '^$' "$cases" | sed 's/ *| */|/g; s/ *$//')

check "a Snap lists the portal as its one mail client" 0 '* Desktop Email Portal' '' -- \
  env QUORVEL_COMPOSE= SNAP=/snap/example/1 "$quorvel" clients

# A fake Flatpak: quorvel under bubblewrap, the machine's /usr read-only on an empty root, the scratch
# folder (with the bus socket) bound in, and a /.flatpak-info naming the application. Its XDG folders
# are its own, so it sees no handler of the desktop's.
printf '[Application]\nname=org.example.App\n' >"$work/flatpak-info"
flatpak_run() {
  bwrap --tmpfs / --ro-bind /usr /usr --ro-bind /etc/ld.so.cache /etc/ld.so.cache --symlink usr/lib /lib \
    --symlink usr/lib64 /lib64 --symlink usr/bin /bin --proc /proc --dev /dev --tmpfs /tmp \
    --ro-bind "$(dirname "$(dirname "$quorvel")")" "$(dirname "$(dirname "$quorvel")")" --bind "$work" "$work" \
    --ro-bind "$work/flatpak-info" /.flatpak-info --setenv QUORVEL_COMPOSE '' --setenv XDG_DATA_HOME "$work/app" \
    --setenv XDG_DATA_DIRS "$work/app" --setenv XDG_CONFIG_HOME "$work/app" -- "$@"
}
if ! command -v bwrap >/dev/null || ! flatpak_run true 2>"$work/bwrap.log"; then
  echo "SKIPPED the fake Flatpak: bubblewrap cannot run here: $(cat "$work/bwrap.log" 2>/dev/null)"
else
  check "a Flatpak uses the portal by itself" 0 'mailto:ann@example.org?subject=Flatpak&body=' '^$' -- \
    eval 'flatpak_run "$quorvel" send --to ann@example.org --subject Flatpak && record mailer'
  check "a Flatpak: attachments refused by the portal" 0 '' '^quorvel: did not reach the mail client: the attachments' -- \
    flatpak_run "$quorvel" send --to ann@example.org --subject Minutes --attach "$work/minutes.txt"
  check "a Flatpak: the fall-back asks for them by hand, through the portal" 0 \
    "mailto:ann@example.org?Subject=Minutes&Body=BEFORE SENDING PLEASE ATTACH THE SESSION LOG FILE: $work/minutes.txt" '' -- record mailer
fi

check "a bus without the portal" 0 '' \
  "32003 .*Login has failed: the desktop's Email portal does not answer on the session bus \(.*org\.freedesktop\.portal\.Desktop" -- \
  env DBUS_SESSION_BUS_ADDRESS="$(head -n 1 "$work/bare-address")" "$quorvel" send -v --to ann@example.org

# No mailto: handler on the desktop: the portal answers 2.
rm "$root/config/mimeapps.list" "$root/data/applications/mailer.desktop"
update-desktop-database "$root/data/applications"
check "no handler: the portal's answer, named" 4 '' \
  "32002 .*Unspecified failure: the desktop's Email portal could not hand the message to ann@example\.org, subject \"Hello\" to a mail client" -- \
  "$quorvel" send -v --to ann@example.org --subject Hello
finish
