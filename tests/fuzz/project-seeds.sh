#!/bin/sh
# Seeds for the project reader fuzz targets: a few corpus boards saved by the
# probe as a project file ("tsn", the default) or exported as the earlier
# edition's files ("tso"), each file cut to the fuzzer's input length.
#   project-seeds.sh PROBE CORPUS OUT [tsn|tso]
set -eu
probe=$1 corpus=$2 out=$3 kind=${4:-tsn}
rm -rf "$out"
mkdir -p "$out"
n=0
for board in cad/geda/driver cad/eagle-newer/ cad/kicad-older/chibi_2024 features/boards/am-test/am-test; do
  n=$((n + 1))
  files=$(ls "$corpus/$board"* 2>/dev/null | grep -v -e LICENSE -e README -e '\.gbrjob$' -e '\.cfg$' -e '\.txt$' || true)
  [ -n "$files" ] || continue
  if [ "$kind" = tso ]; then
    # shellcheck disable=SC2086
    "$probe" export "$out/full$n" $files >/dev/null 2>&1 || true
    m=0
    for f in "$out/full$n"/*.tso; do
      [ -f "$f" ] || continue
      m=$((m + 1))
      head -c 16000 "$f" >"$out/seed$n-$m.tso"
    done
    rm -rf "$out/full$n"
  else
    # shellcheck disable=SC2086
    "$probe" save "$out/full$n.tsn" $files >/dev/null 2>&1 || true
    [ -f "$out/full$n.tsn" ] || continue
    head -c 16000 "$out/full$n.tsn" >"$out/seed$n.tsn"
    rm -f "$out/full$n.tsn"
  fi
done
