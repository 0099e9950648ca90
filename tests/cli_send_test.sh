#!/usr/bin/env bash
# The command-line host end to end: `quorvel send` in a private desktop, with real hive files and
# recording programs standing for the mail clients.
set -u
quorvel=$1
. "$(dirname "$0")/cli_check.sh"
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION GNOME_DESKTOP_SESSION_ID KDE_FULL_SESSION DISPLAY WAYLAND_DISPLAY \
  DBUS_SESSION_BUS_ADDRESS BROWSER MAILER

# desktop NAME: a fresh private desktop with no mail client, its hives and temporary folder inside it.
desktop() {
  root=$work/$1
  mkdir -p "$root/home" "$root/data/applications" "$root/config" "$root/runtime" "$root/tmp" "$root/bin" "$root/records"
  chmod 700 "$root/runtime"
  export HOME=$root/home XDG_DATA_HOME=$root/data XDG_DATA_DIRS=$root/data-dir XDG_CONFIG_HOME=$root/config \
    XDG_CONFIG_DIRS=$root/config-dir XDG_RUNTIME_DIR=$root/runtime TMPDIR=$root/tmp \
    QUORVEL_MACHINE_HIVE=$root/machine.reg QUORVEL_USER_HIVE=$root/user.reg
}

# recording_program NAME: a program that writes its arguments, one a line, to records/NAME.
recording_program() {
  printf '#!/bin/sh\nfor a do printf "%%s\\n" "$a"; done >"%s.$$" && mv "%s.$$" "%s"\n' \
    "$root/records/$1" "$root/records/$1" "$root/records/$1" >"$root/bin/$1"
  chmod 755 "$root/bin/$1"
}

# mail_client ID NAME EXEC-ARGUMENTS: the desktop's default mailto: handler, its program a recording one.
mail_client() {
  recording_program "$1"
  printf '[Desktop Entry]\nType=Application\nName=%s\nExec=%s %s\nMimeType=x-scheme-handler/mailto;\n' \
    "$2" "$root/bin/$1" "$3" >"$root/data/applications/$1.desktop"
  printf '[Default Applications]\nx-scheme-handler/mailto=%s.desktop\n' "$1" >"$root/config/mimeapps.list"
  update-desktop-database "$root/data/applications"
}

# record NAME: what the program last recorded, kept as NAME.last; the client is started without being
# waited for.
record() {
  for _ in $(seq 200); do
    [ -e "$root/records/$1" ] && break
    sleep 0.1
  done
  mv "$root/records/$1" "$root/records/$1.last" && cat "$root/records/$1.last"
}

# body_text: the body file Thunderbird was last handed.
body_text() { cat "$(sed -n 's/.*message=\([^,]*\),.*/\1/p' "$root/records/thunderbird.last")"; }
compose_arguments() { record thunderbird | sed 's/message=[^,]*/message=BODY/'; }

printf 'Minutes attached.\n' >"$work/minutes.txt"
printf 'See you on Monday.\n' >"$work/body.txt"

desktop thunderbird
mail_client thunderbird Thunderbird %u
stdin=$work/body.txt check "Thunderbird: quiet" 0 '' '^$' -- \
  "$quorvel" send --to ann@example.org --to bob@example.org --subject 'Weekly minutes' --body-file - \
  --attach "$work/minutes.txt"
check "Thunderbird: the compose arguments" 0 \
  "-compose
to='ann@example.org,bob@example.org',subject=Weekly%20minutes,message=BODY,attachment='file://$work/minutes.txt',format=text" '' -- \
  compose_arguments
check "Thunderbird: the body file" 0 'See you on Monday.' '' -- body_text
check "mailto: URI after the options' recipients" 0 '' '^$' -- \
  "$quorvel" send --to carol@example.org --cc frank@example.org \
  'MAILTO:ann@example.org,bob%40example.org?To=dan@example.org&SUBJECT=Hello%20there&cc=eve@example.org&Body=Hi%2C%20all'
check "mailto: URI: the compose arguments" 0 \
  "-compose
to='carol@example.org,ann@example.org,bob@example.org,dan@example.org',cc='frank@example.org,eve@example.org',subject=Hello%20there,message=BODY,format=text" '' -- \
  compose_arguments
check "mailto: URI: the body" 0 'Hi, all' '' -- body_text

desktop generic
mail_client mailer Mailer %u
check "any other client: the mailto: link" 0 '' '^$' -- \
  "$quorvel" send --to ann@example.org --subject Minutes --body Attached. --attach "$work/minutes.txt" \
  --attachment-note 'Please attach the minutes' --log "$root/trail.log"
check "any other client: the link names no file" 0 \
  'mailto:ann@example.org?Subject=Minutes&Body=Please attach the minutes.  Attached.' '' -- record mailer
check "the log holds the trail" 0 '' '' -- grep -q 'MailTo - Normal Exit' "$root/trail.log"

desktop eudora
recording_program eudora
printf '%s\n' 'REGEDIT4' '[HKEY_LOCAL_MACHINE\Software\Clients\Mail]' '@="Eudora"' \
  '[HKEY_LOCAL_MACHINE\Software\Clients\Mail\Eudora\shell\open\command]' "@=\"$root/bin/eudora -m\"" >"$root/machine.reg"
check "Eudora: asks, answered yes" 0 '' '^Eudora Email: Quorvel should have created|confirm it is there with an attachment.*yes, from --answer' -- \
  "$quorvel" send --to ann@example.org --cc bob@example.org --subject Minutes --body Attached. \
  --attach "$work/minutes.txt" --answer yes
check "Eudora: the message file" 0 \
  "To: ann@example.org
From: 
Subject: Minutes
Cc: bob@example.org
Bcc: 
X-Attachments: $work/minutes.txt

Attached." '' -- sh -c 'record_file=$(sed -n 2p "$1"); [ "$(sed -n 1p "$1")" = -m ] && tr -d "\r" <"$record_file"' _ \
  "$root/records/eudora"
check "Eudora: the route is recorded" 0 '' '' -- \
  sh -c 'tr -d "\0" <"$1" | grep -q "\"Carrier\"=\"Eudora Command Line\"" && tr -d "\0" <"$1" | grep -q "\"Attachments\"=\"Yes\""' \
  _ "$root/user.reg"
check "Eudora: the second send tells of the outbox" 0 '' 'There is a mail item in your Eudora output mailbox' -- \
  "$quorvel" send --to ann@example.org --subject Again --attach "$work/minutes.txt"

desktop nothing
check "no mail client" 0 '' '^quorvel: no mail client is set up to open mailto: links; nothing was opened$' -- \
  "$quorvel" send ann@example.org --subject Hello
check "verbose shows the trail" 0 '' 'Quorvel/EMail/MailTo - Normal Exit' -- "$quorvel" send -v ann@example.org

check "missing attachment" 2 '' 'attachment not found: .*absent.txt' -- \
  "$quorvel" send --to ann@example.org --attach "$work/absent.txt"
check "--body with --body-file" 2 '' '--body and --body-file' -- \
  "$quorvel" send --to ann@example.org --body Hi --body-file "$work/body.txt"
check "unreadable body file" 2 '' 'cannot read the body file' -- \
  "$quorvel" send --to ann@example.org --body-file "$work/absent.txt"
check "subject twice" 2 '' 'subject is given both' -- \
  "$quorvel" send --subject Hello 'mailto:ann@example.org?subject=Hi'
check "invalid mailto: URI" 2 '' 'invalid mailto: URI.*hexadecimal' -- "$quorvel" send 'mailto:ann%4@example.org'
check "two mailto: URIs" 2 '' 'only one mailto: URI' -- "$quorvel" send mailto:ann@example.org mailto:bob@example.org
check "--answer takes yes or no" 2 '' 'answer' -- "$quorvel" send --answer maybe ann@example.org
check "help tells the routes" 0 '' '' -- sh -c '"$1" send --help | grep -q "a mailto: link goes to the desktop instead"' _ "$quorvel"

finish
