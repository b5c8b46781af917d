#!/bin/sh
# The probe's --as: a drill file without its header (tool sizes, units,
# drilling mode) is of no kind detection can tell; read as drill it gives the
# hits of the whole file, in info, render and save alike. A file of another
# kind is refused, saying why.
#   probe-forced-kind.sh PROBE CORPUS WORKDIR
set -u
probe=$1 corpus=$2 dir=$3
rm -rf "$dir"
mkdir -p "$dir"
trap 'rm -rf "$dir"' EXIT
whole=$corpus/cad/diptrace/mainboard.drl
{
  printf '; drill data without its header\n%%\nG90\n'
  tr -d '\r' <"$whole" | awk '/^M48/ { h = 1; next } h && /^%/ { h = 0; next } !h'
} >"$dir/holes.drl"
"$probe" info "$whole" | cut -f1,2,3,5,6
"$probe" info --as drill "$dir/holes.drl" | cut -f1,2,3,5,6
"$probe" render "$dir/holes.png" 200 100 "$dir/holes.drl" --as drill >/dev/null
echo "render=$?"
"$probe" save "$dir/holes.tsn" --as drill "$dir/holes.drl"
echo "save=$?"
# Not chosen, chosen as Gerber, and a Gerber file chosen as drill: each
# refusal says why.
refused() {
  "$probe" info "$@" >/dev/null 2>"$dir/err"
  echo "info=$? $(cat "$dir/err")"
}
refused "$dir/holes.drl"
refused --as gerber "$dir/holes.drl"
refused --as drill "$corpus/cad/diptrace/mainboard_Top.gbr"
"$probe" info --as wood "$whole" 2>&1
echo "info=$?"
