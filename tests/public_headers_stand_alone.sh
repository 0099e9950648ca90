#!/usr/bin/env bash
# Every public header compiles on its own with nothing but include/ on the include path: an installed
# copy of the headers is all a host gets.
set -u
cxx=$1 source=$2
failed=0
for header in "$source"/include/quorvel/*.h; do
  name=quorvel/${header##*/}
  if ! printf '#include "%s"\n' "$name" | "$cxx" -std=c++20 -fsyntax-only -x c++ -I "$source/include" -; then
    echo "FAILED: $name does not compile on its own"
    failed=1
  fi
done
exit $failed
