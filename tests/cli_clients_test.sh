#!/usr/bin/env bash
# The command-line host end to end: `quorvel clients` over real hive files.
set -u
quorvel=$1
. "$(dirname "$0")/cli_check.sh"
# The desktop's machine hive names the clients; without one, its mailto handlers (none) would be listed.
desktop clients

printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
  '[HKEY_LOCAL_MACHINE\Software\Clients\Mail]' '@="Mozilla Thunderbird"' \
  '[HKEY_LOCAL_MACHINE\Software\Clients\Mail\Evolution]' \
  '[HKEY_LOCAL_MACHINE\Software\Clients\Mail\Mozilla Thunderbird]' >"$QUORVEL_MACHINE_HIVE"
printf '%s\n' 'REGEDIT4' '[HKEY_LOCAL_MACHINE\Software\Clients\Mail\Evolution]' '"x"="unterminated' >"$work/broken.reg"

check "lists the hive's clients, quietly" 0 $'  Evolution\n* Mozilla Thunderbird' '^$' -- "$quorvel" clients
check "json" 0 '{"clients":["Evolution","Mozilla Thunderbird"],"default":"Mozilla Thunderbird"}' 'Default Client: Mozilla Thunderbird' -- \
  json_line "$quorvel" clients --json --verbose
check "no hive, no clients" 1 '' 'GetMailClients - Entry' -- \
  env QUORVEL_MACHINE_HIVE="$work/absent.reg" "$quorvel" clients -v
check "malformed hive names file and line" 1 '' "Error 321 from MRegistryOperations/RegGetKeys: .*broken.reg line 3" -- \
  env QUORVEL_MACHINE_HIVE="$work/broken.reg" "$quorvel" clients
check "log file" 0 $'  Evolution\n* Mozilla Thunderbird' '' -- "$quorvel" clients --log "$work/trail.log"
check "log file holds the trail" 0 '6' '' -- sh -c 'wc -l <"$1"' _ "$work/trail.log"
check "help" 0 '' '' -- sh -c '"$1" --help >/dev/null && "$1" clients --help | grep -q -- --json' _ "$quorvel"
check "usage error" 2 '' '^quorvel: The following argument was not expected: --bogus' -- "$quorvel" clients --bogus
check "no subcommand" 2 '' '^quorvel: A subcommand is required' -- "$quorvel"
check "unwritable log file reaches the host" 3 '' 'error 75' -- "$quorvel" clients --log "$work/no/such/folder/trail.log"
# A lost output or log line is an error, not a success.
check "log file on a full disk" 3 $'  Evolution\n* Mozilla Thunderbird' 'error 75 .*cannot write the log file /dev/full' -- \
  "$quorvel" clients --log /dev/full
check "output on a full disk" 3 '' 'error 75 .*cannot write the standard output' -- sh -c '"$1" clients >/dev/full' _ "$quorvel"
check "help tells the status" 0 '' '' -- sh -c '"$1" --help | grep -q "output or log file cannot be written"' _ "$quorvel"

finish
