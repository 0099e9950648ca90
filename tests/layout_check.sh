#!/usr/bin/env bash
# The layout keeps its promises: the system's own headers are included in platform/linux/ and
# platform/windows/ alone (tests/ and bench/ exercise those implementations and may include them too);
# the library's files include one another without a loop; and platform/ reaches nothing above it: no
# provider, facade or command-line file, no mail client's code.
set -u
cd "$1" || exit 1
status=0
os_headers='(unistd|fcntl|dirent|pwd|grp|spawn|poll|signal|termios|pthread|dlfcn|windows|io|shellapi)\.h|sys/'
if git grep --untracked -nE "#include <($os_headers)" -- '*.h' '*.cc' ':!platform/linux/' ':!platform/windows/' \
  ':!tests/' ':!bench/'; then
  echo "FAILED: the system headers above are included outside platform/linux/ and platform/windows/"; status=1
fi
# "includer included" pairs; tsort refuses a graph with a loop and names the files on it.
git ls-files -- automation facade lists log platform providers tools include | grep -E '\.(h|cc)$' |
  while read -r file; do sed -n 's|^#include "\(.*\)"|'"${file#include/}"' \1|p' "$file"; done | tsort >/dev/null ||
  { echo "FAILED: the includes above form a loop"; status=1; }
if git grep -nE '#include "(providers|facade|tools)/|namespace quorvel::(mapi|cdo|outlook)\b' -- platform; then
  echo "FAILED: platform/ includes a provider, the facade or the command line, or holds a mail client's code"; status=1
fi
exit $status
