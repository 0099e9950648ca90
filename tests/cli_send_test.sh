#!/usr/bin/env bash
# The command-line host end to end: `quorvel send` in a private desktop, with real hive files and
# recording programs standing for the mail clients.
set -u
quorvel=$1
. "$(dirname "$0")/cli_check.sh"
# eudora_message: the message file Eudora was last started with, after -m, its line ends LF.
eudora_message() { record eudora >/dev/null && [ "$(argument eudora 1)" = -m ] && tr -d '\r' <"$(argument eudora 2)"; }

printf 'Minutes attached.\n' >"$work/minutes.txt"
printf 'See you on Monday.\n' >"$work/body.txt"

desktop thunderbird
mail_client thunderbird Thunderbird %u
stdin=$work/body.txt check "Thunderbird: quiet" 0 '' '^$' -- \
  "$quorvel" send --to ann@example.org --to bob@example.org --subject 'Weekly minutes' --body-file - \
  --attach "$work/minutes.txt"
check "Thunderbird: the compose arguments" 0 \
  "-compose
to='ann@example.org,bob@example.org',subject=Weekly%20minutes,message=quorvel/BODY,attachment='file://$work/minutes.txt',format=text" '' -- \
  compose thunderbird
check "Thunderbird: the body file" 0 'See you on Monday.' '' -- text "$(body_file thunderbird)"
check "mailto: URI after the options' recipients, --utf8 ignored" 0 '' '^$' -- \
  "$quorvel" send --utf8 --to carol@example.org --cc frank@example.org \
  'MAILTO:ann@example.org,bob%40example.org?To=dan@example.org&SUBJECT=Hello%20there&cc=eve@example.org&Body=Hi%2C%20all'
check "mailto: URI: the compose arguments" 0 \
  "-compose
to='carol@example.org,ann@example.org,bob@example.org,dan@example.org',cc='frank@example.org,eve@example.org',subject=Hello%20there,message=quorvel/BODY,format=text" '' -- \
  compose thunderbird
check "mailto: URI: the body" 0 'Hi, all' '' -- text "$(body_file thunderbird)"

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

Attached." '' -- eudora_message
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
check "--answer takes yes or no" 2 '' '^quorvel: --answer: maybe not in' -- "$quorvel" send --answer maybe ann@example.org
check "help tells the routes" 0 '' '' -- sh -c '"$1" send --help | grep -q "a mailto: link goes to the desktop instead"' _ "$quorvel"
check "the project's version" 0 "$(sed -n 's/^project(quorvel VERSION \([^ ]*\) .*/quorvel \1/p' "$(dirname "$0")/../CMakeLists.txt")" \
  '^$' -- "$quorvel" --version

finish
