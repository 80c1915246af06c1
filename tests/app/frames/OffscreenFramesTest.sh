#!/usr/bin/env bash
# Renders the same rows of the build's show twice, once without a display
# (offscreen through EGL) and once in a virtual X server, and compares the
# PNG files byte for byte. Both draw with the same software renderer
# (LIBGL_ALWAYS_SOFTWARE) on surfaces of the same format, 8-bit RGB with 4
# samples a pixel: the frame's last pass writes the surface, and on a plain
# surface about 30 bytes of a 320x180 picture come out 1 apart.
#   OffscreenFramesTest.sh FRAMES XVFB_RUN WORKDIR
set -u
frames=$1 xvfb=$2 work=$3
rm -rf "$work"
# Rows across the show: intro symbol, the first drop's lasers and tube, the
# breakdown's clips, the second drop's strobe and glow.
rows=(300 1290.5 1700 2600 3100)
env -u DISPLAY "$frames" --size 320x180 --out "$work/offscreen" "${rows[@]}" ||
  { echo "FAIL: offscreen render"; exit 1; }
"$xvfb" -s "-screen 0 640x480x24" "$frames" --size 320x180 --out "$work/window" "${rows[@]}" ||
  { echo "FAIL: render in a window"; exit 1; }
fail=0
for row in "${rows[@]}"; do
  cmp "$work/offscreen/row-$row.png" "$work/window/row-$row.png" ||
    { echo "FAIL: row $row differs"; fail=1; }
done
[ $fail -eq 0 ] && echo "PASS: ${#rows[@]} rows identical"
exit $fail
