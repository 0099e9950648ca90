#!/usr/bin/env bash
# install-deps.sh [windows]: installs the Debian packages the build and the tests need; with "windows",
# also the cross compiler and Wine for the Windows build. Does nothing when they are all present.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev
  nlohmann-json3-dev libcli11-dev
  libglib2.0-dev desktop-file-utils python3
  libbenchmark-dev xdg-utils libglib2.0-bin dbus-daemon
  clang libclang-rt-14-dev
  xvfb dbus-daemon xdg-desktop-portal xdg-desktop-portal-gtk bubblewrap
)
# The cross build compiles GoogleTest from libgtest-dev's sources and the header-only libraries above.
[ "${1:-}" = windows ] && packages+=(g++-mingw-w64-x86-64-posix wine64)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
# A fresh machine's package lists may be empty or stale: refresh them when a package is not known.
if ! "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"; then
  "${sudo[@]}" apt-get update
  "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
