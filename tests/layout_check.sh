#!/usr/bin/env bash
# The system's own headers are included in platform/linux/ alone, so that a Windows implementation can
# stand beside it. tests/ and bench/ exercise the Linux implementation and may include them too.
set -u
os_headers='(unistd|fcntl|dirent|pwd|grp|spawn|poll|signal|termios|pthread|dlfcn)\.h|sys/'
git -C "$1" grep --untracked -nE "#include <($os_headers)" -- '*.h' '*.cc' ':!platform/linux/' ':!tests/' ':!bench/'
case $? in
  0) echo "FAILED: the system headers above are included outside platform/linux/"; exit 1 ;;
  1) exit 0 ;;
  *) echo "FAILED: $1 is not a git checkout to look through"; exit 1 ;;
esac
