#!/usr/bin/env bash
# The Windows command-line host end to end under Wine: `quorvel.exe clients` over mail clients imported
# into the real registry of the prefix ($WINEPREFIX), which gets the clients it had back afterwards.
set -u
quorvel=$1
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
# A send end to end, without Wine's browser, which would hand the link to the build machine's desktop:
# the UTF-16 command line arrives whole, Simple MAPI has no server yet, and the mailto: link finds no handler.
printf 'notes' >"$work/notes.txt"
check "send falls back to a link no handler opens" 4 '' \
  'MailTo mailto:ann@example.org\?Subject=Café 日本&Body=.*notes.txt' -- \
  env WINEDLLOVERRIDES='mscoree,mshtml=;winebrowser.exe=d' "$wine_run" "$quorvel" send -v --to ann@example.org \
  --subject 'Café 日本' --attach "$work/notes.txt"
check "a missing attachment is a usage error" 2 '' 'missing.txt' -- "$wine_run" "$quorvel" send --attach "$work/missing.txt"
import "[-$clients]"
check "no clients key, no clients" 1 '' 'GetMailClients - Entry' -- "$wine_run" "$quorvel" clients -v

finish
