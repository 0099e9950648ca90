#!/usr/bin/env bash
# Installs the build into a fresh prefix, checks what landed there, then builds the README's two C++
# examples as outside hosts against that copy (the first through find_package, the second through
# pkg-config) and runs them on an empty private desktop; then its C and Python examples, which hand two
# attachments to a recording client.
set -eu
cmake=$1 cxx=$2 source=$3 build=$4 python_dir=$5
. "$source/tests/cli_check.sh"
prefix=$work/prefix
quietly() {  # shows the command's output only when it fails
  "$@" >"$work/output" 2>&1 || { echo "FAILED: $*"; cat "$work/output"; return 1; }
}

quietly "$cmake" --install "$build" --prefix "$prefix"
# The per-configuration targets file is named after the build type.
installed=$(cd "$prefix" && find . ! -type d | sed 's|^\./||; s|QuorvelTargets-.*\.cmake|QuorvelTargets-BUILD_TYPE.cmake|' | sort)
expected=$( (printf '%s\n' bin/quorvel lib/libquorvel.so lib/libquorvel.so.0 lib/libquorvel.so.0.1.0 \
  lib/cmake/Quorvel/QuorvelConfig.cmake lib/cmake/Quorvel/QuorvelConfigVersion.cmake \
  lib/cmake/Quorvel/QuorvelTargets.cmake lib/cmake/Quorvel/QuorvelTargets-BUILD_TYPE.cmake \
  lib/pkgconfig/quorvel.pc share/man/man1/quorvel.1 "$python_dir"/quorvel/{__init__,_installed}.py
  cd "$source" && ls include/quorvel/*.h) | sort)
if [ "$installed" != "$expected" ]; then
  echo "FAILED: installed files differ from the expected ones (< expected, > installed):"
  diff <(echo "$expected") <(echo "$installed")
  exit 1
fi

awk -v dir="$work" '/^```(cpp|c|python)$/ { n[$0]++; out = dir "/" substr($0, 4) n[$0]; next }
  /^```/ { out = "" } out { print > out }' "$source/README.md"
mv "$work/cpp1" "$work/example1.cc" && mv "$work/cpp2" "$work/example2.cc"

quietly "$cmake" -S "$source/tests/install" -B "$work/host" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_PREFIX_PATH="$prefix" -DHOST_SOURCE="$work/example1.cc"
quietly "$cmake" --build "$work/host"
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
quietly "$cxx" -std=c++20 -o "$work/example2" "$work/example2.cc" $(pkg-config --cflags --libs quorvel) \
  -Wl,-rpath,"$prefix/lib"

# One client in the machine hive; no desktop, no session bus, no mail handlers anywhere.
mkdir "$work/empty" "$work/home"
printf '%s\n' 'Windows Registry Editor Version 5.00' '' '[HKEY_LOCAL_MACHINE\Software\Clients\Mail]' \
  '@="Mozilla Thunderbird"' '' '[HKEY_LOCAL_MACHINE\Software\Clients\Mail\Mozilla Thunderbird]' >"$work/machine.reg"
on_empty_desktop() {
  env -u DISPLAY -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS HOME="$work/home" \
    XDG_CONFIG_HOME="$work/empty" XDG_DATA_HOME="$work/empty" XDG_DATA_DIRS="$work/empty" \
    XDG_CONFIG_DIRS="$work/empty" QUORVEL_MACHINE_HIVE="$work/machine.reg" timeout 60 "$@"
}

clients=$(on_empty_desktop "$work/host/host" 2>/dev/null)
[ "$clients" = "Mozilla Thunderbird (default)" ] || { echo "FAILED: find_package host printed: $clients"; exit 1; }
on_empty_desktop "$work/example2" >/dev/null 2>"$work/mapi.log" || { echo "FAILED: pkg-config host"; cat "$work/mapi.log"; exit 1; }
[ -s "$work/mapi.log" ] || { echo "FAILED: pkg-config host printed no log"; exit 1; }
# The installed host finds the library beside it, with no help from the environment.
clients=$(on_empty_desktop "$prefix/bin/quorvel" clients 2>/dev/null)
[ "$clients" = "* Mozilla Thunderbird" ] || { echo "FAILED: installed quorvel printed: $clients"; exit 1; }

set +e  # check counts failures itself
quietly cc -o "$work/example_c" -x c "$work/c1" $(pkg-config --cflags --libs quorvel) -Wl,-rpath,"$prefix/lib"
printf 'one\n' >"$work/one.txt"
printf 'two\n' >"$work/two.txt"
attachments_given() { compose thunderbird | grep -o "attachment='[^']*'"; }
desktop_with thunderbird Thunderbird %u
for example in "$work/example_c" "env PYTHONPATH=$prefix/$python_dir python3 $work/python1"; do
  check "$example" 0 "simple-mapi opened" 'Quorvel/EMail/Send - Entry' -- $example "$work/one.txt" "$work/two.txt"
  check "$example: the attachments" 0 "attachment='file://$work/one.txt,file://$work/two.txt'" '' -- attachments_given
done
finish
echo "installed copy consumed through find_package, pkg-config, C and Python"
