#!/bin/sh
# The probe on files no open reads: a FIFO, which is never waited on, a
# folder, and Gerber data whose sizes or coordinates overflow. Each is
# reported as not read, failing the run, and nothing aborts.
#   probe-unreadable.sh PROBE WORKDIR
set -u
probe=$1 dir=$2
rm -rf "$dir"
mkdir -p "$dir/d.gbr"
mkfifo "$dir/x.tsn"
# A rectangle of 1.7E308 mm, and a flash at a coordinate of -1E308 inches
# moved by an offset of 1E308 inches: both overflow.
printf '%%FSLAX34Y34*%%\n%%MOMM*%%\n%%ADD10R,1.7e308X1.7e308*%%\nD10*\nX0Y0D03*\nX100000Y100000D01*\nM02*\n' >"$dir/huge.gbr"
nines=$(awk 'BEGIN { while (n++ < 308) printf "9" }')
printf '%%FSLAX34Y34*%%\n%%MOIN*%%\n%%OFA1e308B0*%%\n%%ADD10C,0.01*%%\nD10*\nX-%s.0Y0D03*\n%%OFA0B0*%%\nX0Y0D03*\nX10000Y10000D03*\nM02*\n' \
  "$nines" >"$dir/nan.gbr"
# A circle of 1E307 inches, which overflows when made millimetres.
printf '%%FSLAX24Y24*%%\n%%MOIN*%%\n%%ADD10C,1e307*%%\nD10*\nX0Y0D03*\nM02*\n' >"$dir/inch.gbr"
timeout 20 "$probe" info "$dir/x.tsn" "$dir/d.gbr" "$dir/huge.gbr" "$dir/nan.gbr" "$dir/inch.gbr" 2>"$dir/err"
echo "info=$?"
cat "$dir/err"
timeout 20 "$probe" render "$dir/out.png" 100 100 "$dir/huge.gbr" "$dir/nan.gbr" 2>"$dir/err"
echo "render=$?"
cat "$dir/err"
# A project file cut to its first 10 bytes, and one whose lines end in CR
# alone: refused, each saying why, as the window does.
printf '%%FSLAX34Y34*%%\n%%MOMM*%%\n%%ADD10C,0.5*%%\nD10*\nX0Y0D02*\nX100000Y100000D01*\nM02*\n' >"$dir/line.gbr"
"$probe" save "$dir/whole.tsn" "$dir/line.gbr" >/dev/null
head -c 10 "$dir/whole.tsn" >"$dir/cut.tsn"
tr -d '\n' <"$dir/whole.tsn" >"$dir/cr.tsn"
timeout 20 "$probe" info "$dir/cut.tsn" "$dir/cr.tsn" >/dev/null 2>"$dir/err"
echo "info=$?"
cat "$dir/err"
# Flashes of a polygon that is not drawn span nothing: the job is a range
# error, as in the window, and the report says why.
printf '%%FSLAX24Y24*%%\n%%MOMM*%%\n%%ADD10P,1X20*%%\nD10*\nX0Y0D03*\nM02*\n' >"$dir/polygon.gbr"
timeout 20 "$probe" info "$dir/polygon.gbr" >"$dir/out" 2>"$dir/err"
echo "info=$?"
tail -n 1 "$dir/out"
cat "$dir/err"
