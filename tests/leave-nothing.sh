#!/bin/sh
# Runs a test program with a temporary folder of its own, which the program
# must leave as empty as it found it.
#   leave-nothing.sh TEMPDIR PROGRAM [ARGUMENTS...]
set -u
dir=$1
shift
rm -rf "$dir"
mkdir -p "$dir"
TMPDIR="$dir" "$@" >"$dir.log" 2>&1 || { cat "$dir.log"; exit 1; }
left=$(ls -A "$dir")
rm -rf "$dir" "$dir.log"
if [ -n "$left" ]; then
  echo "left in the temporary folder:"
  echo "$left" | head -20
  exit 1
fi
echo "nothing left in the temporary folder"
