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

desktop_with thunderbird Thunderbird %u
stdin=$work/body.txt check "Thunderbird: quiet" 0 '' '^$' -- \
  "$quorvel" send --to ann@example.org --to bob@example.org --subject 'Weekly minutes' --body-file - \
  --attach "$work/minutes.txt"
check "Thunderbird: the compose arguments" 0 \
  "-compose
to='ann@example.org,bob@example.org',subject=Weekly%20minutes,message=quorvel/BODY,attachment='file://$work/minutes.txt',format=text" '' -- \
  compose thunderbird
check "Thunderbird: the body file" 0 'See you on Monday.' '' -- text "$(body_file thunderbird)"
check "--json: the outcome" 0 \
  '{"sent":true,"route":"simple-mapi","client":"Thunderbird","opened":true,"fell_back":false,"not_opened_because":"","exit_status":null,"not_handed_over":[]}' \
  '^$' -- json_line "$quorvel" send --json --to ann@example.org
check "mailto: URI after the options' recipients, --utf8 ignored" 0 '' '^$' -- \
  "$quorvel" send --utf8 --to carol@example.org --cc frank@example.org \
  'MAILTO:ann@example.org,bob%40example.org?To=dan@example.org&SUBJECT=Hello%20there&cc=eve@example.org&Body=Hi%2C%20all'
check "mailto: URI: the compose arguments" 0 \
  "-compose
to='carol@example.org,ann@example.org,bob@example.org,dan@example.org',cc='frank@example.org,eve@example.org',subject=Hello%20there,message=quorvel/BODY,format=text" '' -- \
  compose thunderbird
check "mailto: URI: the body" 0 'Hi, all' '' -- text "$(body_file thunderbird)"

# Control characters are refused before anything reaches the client, where they would forge a header line
# in Eudora's message file, inject a field into Thunderbird's argument or cut an address short at a NUL.
refused() {  # refused FIELD CODE POSITION ARGUMENT...
  check "$1 with U+$2" 2 '' "^quorvel: $1 holds a control character \\(U\\+$2\\) at character $3\$" -- \
    "$quorvel" send "${@:4}"
}
refused 'To address 1' 000D 16 \
  'mailto:ann@example.org%0D%0AX-Attachments:%20/root/.ssh/id_rsa?subject=Hi%0D%0ABcc:%20spy@evil.example'
refused 'To address 1' 0001 16 'mailto:ann@example.org%01attachment=file:///etc/shadow%01x'
refused 'To address 1' 0000 2 'mailto:a%00b@x,c@d'
refused 'the subject' 000D 6 --subject $'Grüße\r\nBcc: spy@evil.example' ann@example.org
refused 'the sender' 0009 4 --from $'ann\t@example.org' bob@example.org
refused 'Cc address 2' 001B 1 --cc bob@example.org --cc $'\e[2Jcarol@example.org' ann@example.org
refused 'Bcc address 1' 007F 4 --bcc $'bob\x7f@example.org' ann@example.org
refused 'attachment 1' 000A 1 --attach $'\n/etc/passwd' ann@example.org
refused 'the body' 0000 3 'mailto:ann@example.org?body=Hi%00there'
# The superuser reads any file: the case runs as nobody then, who owns the scratch folder.
printf 'Secret.\n' >"$work/secret.txt" && chmod 000 "$work/secret.txt"
[ "$(id -u)" = 0 ] && chown -R 65534:65534 "$work"
check "unreadable attachment" 5 '' "^quorvel: cannot read the attachment $work/secret.txt: permission denied\$" -- \
  as_nobody "$quorvel" send --to ann@example.org --attach "$work/minutes.txt" --attach "$work/secret.txt"
check "nothing refused reached the client" 0 '' '' -- test ! -e "$root/records/thunderbird"

desktop_with mailer Mailer %u
check "any other client: the mailto: link" 0 '' '^quorvel: did not reach the mail client: the attachments \(.*minutes.txt\): a mailto: link carries no files$' -- \
  "$quorvel" send --to ann@example.org --subject Minutes --body Attached. --attach "$work/minutes.txt" \
  --attachment-note 'Please attach the minutes' --log "$root/trail.log"
check "any other client: the link names no file" 0 \
  'mailto:ann@example.org?Subject=Minutes&Body=Please attach the minutes.  Attached.' '' -- record mailer
check "the log holds Send's trail alone" 0 '' '' -- \
  sh -c 'grep -q "MailTo - Normal Exit" "$1" && ! grep -q GetMailClients "$1"' _ "$root/trail.log"

# --client opens the desktop client it names, though another is the default; a name nothing has is refused.
client other 'Other Mail' %u
check "--client opens the named client" 0 '' '^$' -- "$quorvel" send --client "Other Mail" ann@example.org
check "--client opens the named client: the link" 0 'mailto:ann@example.org' '' -- record other
check "--client names no client" 2 '' '^quorvel: no mail client is named Nobody; the installed ones: Mailer, Other Mail$' -- \
  "$quorvel" send --client Nobody ann@example.org

# A client that fails at start (Claws Mail by its entry's id, no shell in between, so that it fails well
# within the grace on a loaded machine), and is the mailto: handler as well: nothing was opened.
desktop failing
entry claws-mail 'Claws Mail' "/bin/false --compose %u"
check "a client that fails at start" 4 '' \
  '^quorvel: the mailto: handler ended at once with exit status 1; nothing was opened$' -- "$quorvel" send ann@example.org

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
check "no mail client" 4 '' '^quorvel: no mail client is set up to open mailto: links; nothing was opened$' -- \
  "$quorvel" send ann@example.org --subject Hello
check "verbose shows the trail" 4 '' 'Quorvel/EMail/MailTo - Normal Exit' -- "$quorvel" send -v ann@example.org

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
check "the project's version" 0 "$(sed -n 's/^project(quorvel VERSION \([^ ]*\) .*/quorvel \1/p' "$(dirname "$0")/../CMakeLists.txt")" \
  '^$' -- "$quorvel" --version

finish
