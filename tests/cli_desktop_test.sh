#!/usr/bin/env bash
# The command-line host end to end on the desktop's own mail clients: `quorvel clients` and `quorvel send`
# in a private desktop whose entries, found through GIO as the user's would be, start recording programs.
set -u
quorvel=$1
. "$(dirname "$0")/cli_check.sh"

# mailer_starting PROGRAM: a desktop whose default handler, Mailer, starts bin/PROGRAM, a recording one,
# so that only the program's name tells the client.
mailer_starting() { desktop "$1"; recording_program "$1"; entry mailer Mailer "$root/bin/$1 %u"; default_client mailer; }

printf 'content\n' >"$work/report.pdf"

# Hidden entries do not exist, nor do those whose program (by Exec or TryExec) is missing; NoDisplay only
# keeps an entry out of menus. A name met twice is told apart by the entry's id.
desktop listing
client alpha 'Alpha Mail' %u
client beta 'Beta Mail' '--compose %U' NoDisplay=true
client nightly 'BETA MAIL' %u
client hidden 'Hidden Mail' %u Hidden=true
entry gone 'Gone Mail' "$root/bin/gone %u"
client tried 'Tried Mail' %u "TryExec=$root/bin/tried-absent"
default_client nightly
check "the desktop's mail clients" 0 $'  Alpha Mail\n  Beta Mail\n* BETA MAIL (nightly)' '^$' -- "$quorvel" clients
printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Clients\\Mail]\n' >"$root/machine.reg"
check "a machine hive's own Mail key hides them" 1 '' '' -- "$quorvel" clients
# The desktop's keys grant all rights, so that the default is read where the user may not write the machine
# hive (a folder only root may write to; tried as nobody, since root may write anywhere).
if [ "$(id -u)" = 0 ]; then
  mkdir -m 555 "$root/locked" && chmod 755 "$work"
  check "the default from a machine hive the user may not write" 0 $'  Alpha Mail\n  Beta Mail\n* BETA MAIL (nightly)' '' -- \
    eval 'QUORVEL_MACHINE_HIVE=$root/locked/machine.reg as_nobody "$quorvel" clients'
fi

# Where mimeapps.list names a hidden entry, listing and opening links take the first handler there is.
desktop_with hidden 'Hidden Mail' %u Hidden=true
client alpha 'Alpha Mail' %u
check "a hidden default gives way" 0 '* Alpha Mail' '' -- "$quorvel" clients
check "a hidden default gives way: send" 0 'mailto:a@x.org' '^$' -- eval '"$quorvel" send a@x.org && record alpha'

# Thunderbird, recognised by its program's name, gets the whole message as one argument, the body in a file.
mailer_starting thunderbird
# The body folder, made by the user's hand with a file's mode, becomes private; a body file or an
# attachment's copy a day old goes, a younger one stays.
body=$root/runtime/quorvel
mkdir -p "$body"/attachment-{old,new} && touch "$body/attachment-old/a.pdf" && touch -d '1460 minutes ago' \
  "$body/body-old.txt" "$body/attachment-old" && touch -d '1420 minutes ago' "$body/body-new.txt" && chmod 644 "$body"
for i in $(seq 8000); do printf 'Line %s: 50%% done, café\r\n' "$i"; done >"$work/big.txt"
check "Thunderbird: a body far over the argument limit" 0 $'-compose\nto=\'ann@example.org\',subject=Big,message=quorvel/BODY,format=text' \
  '^$' -- eval '"$quorvel" send --to ann@example.org --subject Big --body-file "$work/big.txt" && compose thunderbird'
check "Thunderbird: a big body, the body file 0600, its folder 0700" 0 $'600\n700' '' -- \
  eval 'cmp "$work/big.txt" "$(body_file thunderbird)" && stat -c %a "$(body_file thunderbird)" "$body"'
check "Thunderbird: a day-old body file goes" 0 $'attachment-new\nbody-new.txt' '' -- ls -I 'body-??????.txt' "$body"
# A runtime folder that is a file: no body file, and the error says where.
mkdir -p "$root/nowhere" && printf '' >"$root/nowhere/file"
check "Thunderbird: no folder for the body" 0 '' \
  'Error: 32002 in Quorvel/MailMAPI/Send at line 100 Unspecified failure: the message body could not be written to .*/nowhere/file/quorvel: ' -- \
  env XDG_RUNTIME_DIR="$root/nowhere/file" "$quorvel" send -v --to ann@example.org --body Hi
record thunderbird >/dev/null  # the fall-back's link
# Without a runtime folder the body goes to a new folder of a random name: one planted ahead stands in for nothing.
ln -s "$work" "$TMPDIR/quorvel-$(id -u)"
check "Thunderbird: a planted body folder" 0 "-compose
to='ann@example.org',message=$TMPDIR/quorvel-XXXXXX/BODY,format=text
700
Hi" '^$' -- eval 'env -u XDG_RUNTIME_DIR "$quorvel" send --to ann@example.org --body Hi &&
  record thunderbird | sed "s|/quorvel-[[:alnum:]]\{6\}/body-[[:alnum:]]\{6\}\.txt|/quorvel-XXXXXX/BODY|" &&
  f=$(body_file thunderbird) && stat -c %a "${f%/*}" && cat "$f"'

# Any other client (a name that starts like Thunderbird's is one) gets a mailto: URL from the desktop.
mailer_starting thunderbird-beta
# The longest argument a program takes: one character more is refused, here and by the desktop after
# the fall-back. Refused first, so that a link handed over all the same would be the record the next check reads.
head -c 131044 /dev/zero | tr '\0' z >"$work/over.txt"
head -c 131043 /dev/zero | tr '\0' y >"$work/limit.txt"
check "another client: a URL over the limit" 4 '' \
  'Error: 32018 in Quorvel/MailMAPI/Send at line 100 Text too large: the message is longer than Mailer takes' -- \
  "$quorvel" send -v --to ann@example.org --body-file "$work/over.txt"
check "another client: a URL at the limit, handed over" 0 '' '^$' -- eval '"$quorvel" send --to ann@example.org --body-file "$work/limit.txt" &&
  cmp <(printf "mailto:ann@example.org?body=%s\n" "$(cat "$work/limit.txt")") <(record thunderbird-beta)'
# The fall-back's link goes to the desktop as it is, whatever it holds.
check "the fall-back's link" 0 '' '^$' -- "$quorvel" send --client Lotus --subject 'Café 😀 at noon' --cc bob@example.com \
  --body $'50%25 off, 100% done\r\nline two "it\'s" $HOME `date` \\ ; | *' ann@example.com
check "the fall-back's link, unchanged" 0 \
  "mailto:ann@example.com?Subject=Café 😀 at noon&Body=50%25 off, 100% done\\r\\nline two \"it's\" \$HOME \`date\` \\ ; | *&CC=bob@example.com" \
  '' -- record thunderbird-beta
entry mailer Mailer "$root/bin/thunderbird-beta %u" Path=/nonexistent/folder
check "a handler that cannot be started" 4 '' \
  'Error: 32002 in Quorvel/MailMAPI/Send at line 100 Unspecified failure: the desktop did not open the mailto: link' -- \
  "$quorvel" send -v ann@example.org

# A Flatpak, started the way its entry says: the body and a copy of an attachment it cannot read where
# the sandbox reads them, and one that cannot be copied refused with the reason. The default handler is
# as Flatpak installs it, its program a recording one found on $PATH, standing for the real one.
desktop flatpak && recording_program flatpak "$root/path" && default_client org.mozilla.Thunderbird
entry org.mozilla.Thunderbird 'Thunderbird Packaged' \
  'flatpak run --branch=stable --arch=x86_64 --command=thunderbird --file-forwarding org.mozilla.Thunderbird @@u %u @@'
ln -s "$work/report.pdf" "$work/link.pdf"
check "Flatpak: a link is not copied" 0 '' \
  "Thunderbird Packaged runs in a Flatpak sandbox and cannot read $work/link.pdf, nor can it be copied \(it is a symbolic link\)" -- \
  env PATH="$root/path:$PATH" "$quorvel" send -v --to ann@example.org --attach "$work/link.pdf"
record flatpak >/dev/null  # the fall-back's link
copies=$root/runtime/app/org.mozilla.Thunderbird/quorvel
check "Flatpak: started as the entry says, the body and a copy of an attachment where it reads" 0 "run
--branch=stable
--arch=x86_64
--command=thunderbird
--file-forwarding
org.mozilla.Thunderbird
-compose
to='ann@example.org',message=app/org.mozilla.Thunderbird/quorvel/BODY,attachment='file://$copies/COPY/report.pdf',format=text" '^$' -- \
  eval 'env PATH="$root/path:$PATH" "$quorvel" send --to ann@example.org --body Hi --attach "$work/report.pdf" &&
  compose flatpak | sed "s|/attachment-[[:alnum:]]\{6\}/|/COPY/|"'
check "Flatpak: the copy 0600, its folder 0700; the body" 0 $'600\n700\nHi' '' -- eval 'cmp "$work/report.pdf" \
  "$copies"/attachment-*/report.pdf && stat -c %a "$copies"/attachment-*{/report.pdf,} && text "$(body_file flatpak)"'
check "Flatpak: no runtime folder" 0 '' \
  'Thunderbird Packaged runs in a Flatpak sandbox, and without \$XDG_RUNTIME_DIR no folder it reads is known' -- \
  env -u XDG_RUNTIME_DIR PATH="$root/path:$PATH" "$quorvel" send -v --to ann@example.org --body Hi

# A hive names a client, but no desktop entry opens mailto: links.
desktop nothing
printf '%s\n' 'REGEDIT4' '[HKEY_LOCAL_MACHINE\Software\Clients\Mail]' '@="Mailer"' '[HKEY_LOCAL_MACHINE\Software\Clients\Mail\Mailer]' \
  >"$root/machine.reg"
check "no mailto: handler" 4 '' \
  'Error: 32003 in Quorvel/MailMAPI/OpenSession at line 80 Login has failed: no mail client is set up to open mailto: links' -- \
  "$quorvel" send -v --to ann@example.org

# Eudora's entry: its command, the Exec line without field codes and the blanks they leave, takes the
# message file.
desktop_with eudora Eudora '--file=%f --icon-name %i %c %k %F %d %D %n %N %v %m -m 100%% %U' NoDisplay=true
check "Eudora's entry: asks" 0 '' 'Please confirm it is there by answering Yes, if not answer No \[yes, from --answer\]' -- \
  "$quorvel" send --answer yes --to ann@example.org --to ' bob@example.org ' --subject 'Grüße, "quoted"' \
  --body $'  line one\r\nline two  '
eudora_arguments() { record eudora | sed "s|^$TMPDIR/Quo[[:xdigit:]]\{8\}\.msg$|\$TMPDIR/Quo########.msg|"; }
check "Eudora's entry: the arguments" 0 $'--file=\n--icon-name\n-m\n100%\n$TMPDIR/Quo########.msg' '' -- eudora_arguments
check "Eudora's entry: the message file" 0 'To: ann@example.org;  bob@example.org \r
From: \r
Subject: Grüße, "quoted"\r
Cc: \r
Bcc: \r
X-Attachments: \r
\r
line one\r
line two' '' -- text "$(argument eudora 5)"

finish
