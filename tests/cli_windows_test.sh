#!/usr/bin/env bash
# The Windows command-line host end to end under Wine: `quorvel.exe clients` over mail clients imported
# into the real registry of the prefix ($WINEPREFIX), which gets the clients it had back afterwards, and
# `quorvel.exe send` through Wine's Simple MAPI to a client's DLL, the recording one given
# (tests/windows/recording_mapi.cc), whose record of a typical message must be the expected one.
set -u
quorvel=$1 recording_dll=$2 expected_record=$3
. "$(dirname "$0")/cli_check.sh"
wine_run=$(cd "$(dirname "$0")/../scripts" && pwd)/wine-run
clients='HKEY_LOCAL_MACHINE\Software\Clients\Mail'

# wine_regedit ARGS...: Wine's regedit in the scratch folder, where its files are.
wine_regedit() { (cd "$work" && "$wine_run" regedit "$@"); }
# import LINE...: imports the lines as a .reg file. In UTF-16LE with its BOM: Wine's regedit reads any
# other file in the ANSI code page, which garbles UTF-8.
import() {
  { printf '\xff\xfe'; printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' "$@" | iconv -f UTF-8 -t UTF-16LE; } \
    >"$work/import.reg"
  wine_regedit /S import.reg
}

# The prefix's own clients (Wine names its MAPI as one), kept to be put back; none when it has no key.
wine_regedit /E saved.reg "$clients" 2>/dev/null
trap 'import "[-$clients]"; [ -e "$work/saved.reg" ] && wine_regedit /S saved.reg; rm -rf "$work"' EXIT

import "[-$clients]" "[$clients]" '@="Mozilla Thunderbird"' "[$clients\\Évolution 日本]" \
  "[$clients\\Mozilla Thunderbird]"
# The registry orders names by their upper case UTF-16 units: "É" comes after every ASCII letter.
check "lists the registry's clients, quietly" 0 $'* Mozilla Thunderbird\n  Évolution 日本' '^$' -- \
  "$wine_run" "$quorvel" clients
check "json" 0 '{"clients":["Mozilla Thunderbird","Évolution 日本"],"default":"Mozilla Thunderbird"}' \
  'Default Client: Mozilla Thunderbird' -- json_line "$wine_run" "$quorvel" clients --json --verbose
# Sends go without Wine's browser, which would hand a link to the build machine's desktop.
no_browser='mscoree,mshtml=;winebrowser.exe=d'
# A send end to end: the UTF-16 command line arrives whole, Wine's Simple MAPI has no DLL for the client
# (32026), and the mailto: link finds no handler. The program runs beside a planted mapi32.dll, which
# "n,b" would load as Windows does a DLL beside a program: it must not be, or the send would succeed.
mkdir "$work/planted" && cp "${quorvel%/*}"/*.dll "$quorvel" "$work/planted/" && cp "$recording_dll" "$work/planted/mapi32.dll"
printf 'notes' >"$work/notes.txt"
check "send falls back to a link no handler opens" 4 '' \
  'MailTo mailto:ann@example.org\?Subject=Café 日本&Body=.*notes.txt' -- \
  env WINEDLLOVERRIDES="$no_browser;mapi32=n,b" "$wine_run" "$work/planted/${quorvel##*/}" send -v \
  --to ann@example.org --subject 'Café 日本' --attach "$work/notes.txt"
check "a missing attachment is a usage error" 2 '' 'missing.txt' -- "$wine_run" "$quorvel" send --attach "$work/missing.txt"

# mapi_send ANSWERS: a typical message sent to the recording client, which answers as ANSWERS says.
mapi_send() {
  rm -f "$work/record"
  env QUORVEL_MAPI_RECORD="$work/record" QUORVEL_MAPI_ANSWERS="$1" WINEDLLOVERRIDES="$no_browser" \
    "$wine_run" "$quorvel" send -v --to 'Ann Lee <ann@example.org>' --to '"Lee, Bob" <bob@example.org>' \
    --cc carl@example.org --bcc 'Dora <dora@example.org>' --subject 'Café 日本 😀' --body $'Grüße\nzweite Zeile' \
    --attach "$work/Bücher 日本.txt" --attach "$work/naïve.pdf"
}
printf 'book' >"$work/Bücher 日本.txt"
printf 'pdf' >"$work/naïve.pdf"
# Wine's own client turns the message into a mailto: link, which no handler opens here: a failure (2).
wine_regedit /S saved.reg
check "Wine's own client" 4 '' '32002 .*MAPISendMailW answered 2' -- mapi_send ''
import "[-$clients]" "[$clients]" '@="Recording Client"' "[$clients\\Recording Client]" \
  "\"DLLPath\"=\"$(printf 'Z:%s' "$recording_dll" | sed 's|/|\\\\|g')\""
check "the recording client gets the message" 0 '' 'Sending E-Mail by Recording Client using MAPI' -- mapi_send ''
check "as it was sent" 0 "$(cat "$expected_record")" '' -- sed "s|$work|WORK|g" "$work/record"
# A cancel in the client's window is the user's answer, not a failure: no link follows.
while IFS='|' read -r name answers status error; do
  check "$name" "$status" '' "$error" -- mapi_send "$answers"
done <<'EOF'
the user cancels|MAPISendMailW=1|0|Sending E-Mail by Recording Client using MAPI
the client fails|MAPISendMailW=2|4|32002 .*Unspecified failure: MAPISendMailW answered 2
the client refuses the logon|MAPILogon=3|4|32003 .*Login has failed: MAPILogon answered 3
a code the controls have no text for|MAPISendMailW=27|4|32027 in .* line 100 MAPISendMailW answered 27
EOF

import "[-$clients]"
check "no clients key, no clients" 1 '' 'GetMailClients - Entry' -- "$wine_run" "$quorvel" clients -v

finish
