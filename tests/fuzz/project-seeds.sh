#!/bin/sh
# Seeds for the project reader fuzz target: a few corpus boards saved as
# project files by the probe, each cut to the fuzzer's input length.
#   project-seeds.sh PROBE CORPUS OUT
set -eu
probe=$1 corpus=$2 out=$3
rm -rf "$out"
mkdir -p "$out"
n=0
for board in cad/geda/driver cad/eagle-newer/ cad/kicad-older/chibi_2024 features/boards/am-test/am-test; do
  n=$((n + 1))
  files=$(ls "$corpus/$board"* 2>/dev/null | grep -v -e LICENSE -e README -e '\.gbrjob$' -e '\.cfg$' -e '\.txt$' || true)
  [ -n "$files" ] || continue
  # shellcheck disable=SC2086
  "$probe" save "$out/full$n.tsn" $files >/dev/null 2>&1 || true
  [ -f "$out/full$n.tsn" ] || continue
  head -c 16000 "$out/full$n.tsn" >"$out/seed$n.tsn"
  rm -f "$out/full$n.tsn"
done
