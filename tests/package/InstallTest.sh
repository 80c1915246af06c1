#!/usr/bin/env bash
set -u
build=$1 prefix=$2
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1 || { cat "$prefix.log"; exit 1; }
data="$prefix/share/halcyon-by-velmora/data"
missing=()
expect() { [ -s "$1" ] || missing+=("${1#$prefix/}"); }
expect "$prefix/bin/halcyon"
expect "$prefix/share/applications/halcyon.desktop"
expect "$prefix/share/icons/hicolor/scalable/apps/halcyon.svg"
expect "$data/Meridian_Demo_Edit.mp3"
for f in envi circles downsample blur outline laser depth combine; do expect "$data/$f.glsl"; done
expect "$data/envi.png"
expect "$data/flare.png"
for n in $(seq 1 35); do expect "$data/symbol$n.obj"; done
for n in $(seq 1 16); do expect "$data/rave$n.dat"; done
for t in Camera:angle Camera:dist Camera:offset.x Camera:offset.y Camera:offset.z Camera:tgt.x \
         Camera:tgt.y Camera:tgt.z Camera:fov Camera:roll eq:br eq:mode eq:blend symbol:rot_x \
         symbol:rot_y symbol:rot_z symbol:pos_y symbol:pos_z symbol:scale symbol:num symbol:blend \
         video:numframes video:r video:g video:b video:num video:pos laser1:numlasers laser1:col_r \
         laser1:col_g laser1:col_b laser1:pos_x laser1:pos_y laser1:pos_z laser1:diam laser1:rot_x \
         laser1:rot_y laser1:rot_z circles:r circles:g circles:b circles:blend strobo glow:glowbr \
         glow:origbr; do
  expect "$data/sync_$t.track"
done
if [ ${#missing[@]} -gt 0 ]; then
  printf 'FAIL: missing %s\n' "${missing[@]}"
  exit 1
fi
grep -q '^Exec=halcyon$' "$prefix/share/applications/halcyon.desktop" || { echo "FAIL: desktop Exec"; exit 1; }
echo "PASS: $(find "$data" -type f | wc -l) data files"
