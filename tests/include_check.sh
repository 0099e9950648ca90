#!/usr/bin/env bash
# The library's files include one another without a loop, and platform/ reaches nothing above it: no
# provider, facade or command-line file, and no mail client's code of its own.
set -u
cd "$1"
status=0
sources=$(find automation facade lists log platform providers tools include -name '*.h' -o -name '*.cc')
# "includer included" pairs; tsort refuses a graph with a loop and names the files on it.
for file in $sources; do
  sed -n 's|^#include "\(.*\)"|'"${file#include/}"' \1|p' "$file"
done | tsort >/dev/null || status=1
if grep -rnE '#include "(providers|facade|tools)/' platform; then
  echo "platform/ includes a provider, the facade or the command line"; status=1
fi
if grep -rnE 'namespace quorvel::(mapi|cdo|outlook)\b' platform; then
  echo "platform/ holds a mail client's code"; status=1
fi
exit $status
