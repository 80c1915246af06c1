#!/usr/bin/env bash
set -u
build=$1 out=$2
rm -rf "$out"
mkdir -p "$out"
cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/*.deb | head -1)
[ -n "$deb" ] || { echo "FAIL: no package"; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libsdl2 libmpg123 libglut libgl1 libglu1 libkissfft libstdc++6 libc6; do
  grep -q "$lib" <<<"$depends" || { echo "FAIL: $lib not among the dependencies"; exit 1; }
done
dpkg-deb -c "$deb" | grep -q ' ./usr/bin/halcyon$' || { echo "FAIL: no /usr/bin/halcyon"; exit 1; }
dpkg-deb -c "$deb" | grep -q ' ./usr/share/halcyon-by-velmora/data/symbol35.obj$' ||
  { echo "FAIL: no data"; exit 1; }
echo PASS
