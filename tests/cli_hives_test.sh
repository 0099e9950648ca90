#!/usr/bin/env bash
# Hive files end to end: the machine hive `quorvel clients` and `quorvel send` read, and the user hive a
# send writes its route into (through the Eudora route, which needs no desktop), each file as odd as a
# user's machine may leave it.
set -u
quorvel=$1
. "$(dirname "$0")/cli_check.sh"
desktop eudora
unset QUORVEL_USER_HIVE
chmod 755 "$work"

# Eudora's command: a recording program, named by the hive with every quoting form a command line may hold.
recording_program 'eu dora'
printf '%s\n' 'REGEDIT4' '[HKEY_LOCAL_MACHINE\Software\Clients\Mail]' '@="Eudora"' \
  '[HKEY_LOCAL_MACHINE\Software\Clients\Mail\Eudora\shell\open\command]' \
  "@=\"\\\"$root/bin/eu dora\\\" plain \\\"two words\\\" back\\\\slash 'single' \\\"\\\" \$HOME ~ a\\\"b c\\\"d\"" \
  >"$QUORVEL_MACHINE_HIVE"
send() { "$quorvel" send --to ann@example.org --subject Minutes --body Attached. --answer yes "$@"; }
settings() { tr -d '\0\r' <"$1" | grep -c '"Carrier"="Eudora Command Line"'; }
# The arguments Eudora's program was started with, but the message file.
arguments() { record 'eu dora' | sed '$d'; }

check "the command line splits at blanks outside quotes only" 0 '' '' -- send
check "the program's arguments, the message file last" 0 \
  "plain
two words
back\\slash
'single'

\$HOME
~
ab cd" '' -- arguments
temp_files() { cd "$TMPDIR" && stat -c '%a %n' * | sed 's/Quo[0-9A-F]\{8\}\./QuoXXXXXXXX./'; }
check "the message file beside its temporary name, both private" 0 $'600 QuoXXXXXXXX.msg\n600 QuoXXXXXXXX.tmp' '' -- temp_files
check "the user hive follows the config home" 0 1 '' -- settings "$XDG_CONFIG_HOME/quorvel/user.reg"
relative_config_home() { XDG_CONFIG_HOME=relative send && settings "$HOME/.config/quorvel/user.reg"; }
check "a relative config home does not count" 0 1 '' -- relative_config_home
check "a new hive and its folder are private" 0 $'700\n600' '' -- \
  stat -c %a "$XDG_CONFIG_HOME/quorvel" "$XDG_CONFIG_HOME/quorvel/user.reg"
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '; mine' '[HKEY_CURRENT_USER\Software\Other]' '"Bin"=hex:01,02' \
  '[HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Quorvel\Email]' '"Keep"="k"' '"Carrier"="MAPI"' \
  >"$HOME/.config/quorvel/user.reg"
chmod 640 "$HOME/.config/quorvel/user.reg"
kept() { XDG_CONFIG_HOME= send && stat -c %a "$1" && tr -d '\0\r' <"$1" | grep -E '^"(Bin|Keep|Carrier)"'; }
check "a save changes its value and keeps the rest of the hive, its mode too" 0 '640
"Bin"=hex:01,02
"Keep"="k"
"Carrier"="Eudora Command Line"' '' -- kept "$HOME/.config/quorvel/user.reg"
same_again() { local before; before=$(stat -c %i "$1") && XDG_CONFIG_HOME= send && [ "$(stat -c %i "$1")" = "$before" ]; }
check "a save of the value already stored leaves the hive alone" 0 '' '' -- same_again "$HOME/.config/quorvel/user.reg"

export QUORVEL_USER_HIVE=$work/hives/user.reg
mkdir -p "$work/hives"
for n in 1 2 3 4 5 6 7 8; do send --app-name "App $n" 2>/dev/null & done
wait
check "concurrent savers lose nothing" 0 8 '' -- settings "$QUORVEL_USER_HIVE"

touch -d '-1 hour' "$work/hives/user.reg.saving-Ab3xYz" "$work/hives/user.reg.backup" "$work/hives/other.reg.saving-Ab3xYz"
touch "$work/hives/user.reg.saving-Qq12Rs"  # may be a save under way elsewhere
check "a save removes the temporary hives killed savers left" 0 \
  "other.reg.saving-Ab3xYz
user.reg
user.reg.backup
user.reg.lock
user.reg.saving-Qq12Rs" '' -- eval 'send --app-name Again && ls "$work/hives"' 

printf 'REGEDIT4\n[HKEY_CURRENT_USER\\Software]\n"x"=hex:0g\n' >"$work/broken.reg"
cp "$work/broken.reg" "$work/hives/user.reg"
check "a malformed user hive is named and never overwritten" 0 '' 'Error: 321 in Quorvel/MailEudora/Send .*user\.reg line 3' -- \
  eval 'send -v; cmp "$QUORVEL_USER_HIVE" "$work/broken.reg"' 

printf 'REGEDIT4\n' >"$work/real.reg"
ln -sf "$work/real.reg" "$QUORVEL_USER_HIVE"
check "a linked hive is written at its target, the link staying" 0 1 '' -- \
  eval 'send && test -L "$QUORVEL_USER_HIVE" && settings "$work/real.reg"' 
rm "$work/real.reg"
check "a dangling link is refused" 0 '' 'Error 75 ' -- eval 'send -v; test -L "$QUORVEL_USER_HIVE"' 

rm "$QUORVEL_USER_HIVE" && printf 'REGEDIT4\n' >"$QUORVEL_USER_HIVE"
chmod 444 "$QUORVEL_USER_HIVE"
# As nobody when run by the superuser, who may write any file; nobody then owns everything here.
[ "$(id -u)" = 0 ] && chown -R 65534:65534 "$work"
check "a read-only hive is not written, even by its owner" 0 'REGEDIT4' 'Error 75 .*user\.reg: Permission denied' -- \
  eval 'as_nobody "$quorvel" send --to ann@example.org --answer yes -v; cat "$QUORVEL_USER_HIVE"' 
if [ "$(id -u)" = 0 ]; then  # nobody's home folder, which does not exist: nothing is written anywhere
  check "without HOME the user hive is in the home folder the user database gives" 0 '' \
    'Error 75 .*: /nonexistent/\.config/quorvel: ' -- \
    eval '(unset HOME XDG_CONFIG_HOME QUORVEL_USER_HIVE; as_nobody "$quorvel" send --to ann@example.org --answer yes -v)'
fi

# The machine hive, as `quorvel clients` reads it: the default is read with rights to change the key,
# which a hive the user may not write does not grant.
chmod 444 "$QUORVEL_MACHINE_HIVE" && { [ "$(id -u)" != 0 ] || chown 0:0 "$QUORVEL_MACHINE_HIVE"; }
check "a machine hive the user may not write gives its clients but no default" 0 '  Eudora' '' -- \
  as_nobody "$quorvel" clients

mkdir "$work/folder.reg" && mkfifo "$work/fifo.reg"
check "a folder for a hive" 1 '' 'folder\.reg: not a regular file' -- env QUORVEL_MACHINE_HIVE="$work/folder.reg" "$quorvel" clients
check "a FIFO for a hive, refused at once" 1 '' 'fifo\.reg: not a regular file' -- \
  timeout 10 env QUORVEL_MACHINE_HIVE="$work/fifo.reg" "$quorvel" clients
check "a missing hive is an empty one" 1 '' '^$' -- env QUORVEL_MACHINE_HIVE="$work/absent.reg" "$quorvel" clients

finish
