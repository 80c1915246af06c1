#!/usr/bin/env bash
# One studio case: StudioTest.sh CASE STUDIO SHOW_DIR WORK_DIR. The studio
# runs on a copy of SHOW_DIR in WORK_DIR, in its own X server at 320x180,
# with --print-rows: every drawn frame prints "row R frame_ms T overlay 0|1".
set -u
case_name=$1 studio=$2 show=$3 work=$4
rm -rf "$work"
mkdir -p "$work"
cp -r "$show" "$work/show"
out=$work/out err=$work/err

fail() { echo "FAIL: $*"; echo "--- stdout (last lines)"; tail -n 20 "$out"; echo "--- stderr"; cat "$err"; exit 1; }

if [ "$case_name" = arguments ]; then
  # Refused before any window: no display needed.
  : >"$out"
  for args in "--from drop9" "--loop drop2..drop1" "--size 0x0" "--show $work/nowhere" "--bogus"; do
    env -u DISPLAY "$studio" $args >"$out" 2>"$err"
    status=$?
    [ $status -eq 2 ] || fail "$args: exit status $status"
    [ "$(wc -l <"$err")" -eq 1 ] && grep -q '^halcyon-studio: .* (see --help)$' "$err" ||
      fail "$args: not a one-line usage error"
  done
  env -u DISPLAY "$studio" --help >"$out" 2>"$err" || fail "--help failed"
  grep -q '^usage: halcyon-studio' "$out" || fail "--help prints no usage"
  echo PASS
  exit 0
fi

if [ "$case_name" = imgui_only_in_studio ]; then
  imgui() { nm -C "$1" | grep -c ' ImGui::'; }
  [ "$(imgui "$studio")" -gt 0 ] || fail "no ImGui in $studio: the check sees nothing"
  for program in "${@:5}"; do
    [ "$(imgui "$program")" -eq 0 ] || fail "$program links ImGui"
  done
  echo PASS
  exit 0
fi

if [ "$case_name" = overrides_only_in_studio ]; then
  # Mute, solo and the flown camera are set only by the studio: the other
  # programs hold no code that could set them.
  setters() { nm -C "$1" | grep -cE ' (setStudioLayers|setStudioCamera)\('; }
  [ "$(setters "$studio")" -eq 2 ] || fail "the check finds no setters in $studio"
  for program in "${@:5}"; do
    [ "$(setters "$program")" -eq 0 ] || fail "$program can set the studio's overrides"
  done
  echo PASS
  exit 0
fi

# The rest runs inside the X server; this script calls itself there.
if [ -z "${STUDIO_IN_X:-}" ]; then
  STUDIO_IN_X=1 exec "$(dirname "$0")/../../xvfb-run.sh" -s "-screen 0 640x480x24" bash "$0" "$@"
fi

start() {
  ${LAUNCH:-} "$studio" --size "${SIZE:-320x180}" --show "$work/show" --print-rows "$@" \
    >"$out" 2>"$err" &
  pid=$!
  window=$(xdotool search --sync --name 'halcyon-studio' | head -1)
  xdotool windowfocus --sync "$window"
  local info
  info=$(xwininfo -id "$window")
  X=$(awk '/Absolute upper-left X/ { print $NF }' <<<"$info")
  Y=$(awk '/Absolute upper-left Y/ { print $NF }' <<<"$info")
  WIDTH=$(awk '/Width:/ { print $NF }' <<<"$info")
  HEIGHT=$(awk '/Height:/ { print $NF }' <<<"$info")
  # Without a window manager the window may hang a pixel off the screen.
  [ "$X" -ge 0 ] || { WIDTH=$((WIDTH + X)); X=0; }
  [ "$Y" -ge 0 ] || { HEIGHT=$((HEIGHT + Y)); Y=0; }
  trap 'kill $pid 2>/dev/null' EXIT
}
quit() {
  xdotool key Escape
  wait $pid
  local status=$?
  trap - EXIT
  [ $status -eq 0 ] || fail "exit status $status after Escape"
}
last_row() { grep '^row ' "$out" | tail -n 1 | cut -d' ' -f2; }
frames() { grep -c '^row ' "$out"; }
# Waits up to 5 s for a frame after the first $3 frames to show row $1.
wait_row() {
  for _ in $(seq 100); do
    [ "$(frames)" -gt "${3:-0}" ] && [ "$(last_row)" = "$1" ] && return 0
    sleep 0.05
  done
  fail "row $(last_row), expected $1 after $2"
}
# Every key draws a frame, also those that leave the row where it is.
key() { local before; before=$(frames); xdotool key "$1"; wait_row "$2" "$1" "$before"; }
# The mean colour "R G B" of the window's lower half (the overlay is in the
# top-left corner).
colour() {
  ffmpeg -loglevel error -f x11grab -video_size "${WIDTH}x$((HEIGHT / 2))" \
    -i "$DISPLAY+$X,$((Y + HEIGHT / 2))" -frames:v 1 -vf scale=1:1:flags=area \
    -f rawvideo -pix_fmt rgb24 - | od -An -tu1 | xargs
}
# True when the window's top-left corner holds red text (the error marker of
# the hidden panels).
corner_red() {
  ffmpeg -loglevel error -f x11grab -video_size 200x20 -i "$DISPLAY+$X,$Y" -frames:v 1 \
    -f rawvideo -pix_fmt rgb24 - | od -An -v -tu1 -w3 |
    awk '$1 >= 200 && $2 <= 120 && $3 <= 120 { found = 1 } END { exit !found }'
}
is_white() { set -- $(colour) 0 0 0; [ "$1" -ge 245 ] && [ "$2" -ge 245 ] && [ "$3" -ge 245 ]; }
not_white() { set -- $(colour); [ $# -eq 3 ] && { [ "$1" -lt 245 ] || [ "$2" -lt 245 ] || [ "$3" -lt 245 ]; }; }
# Waits up to $2 seconds after the save at $1 (date +%s%N) for the test $3.
within() {
  local saved=$1 limit=$2; shift 2
  while :; do
    "$@" && return 0
    [ $(( ($(date +%s%N) - saved) / 1000000 )) -lt $((limit * 1000)) ] || return 1
  done
}
save() { printf "$2" >"$work/show/$1.new" && mv "$work/show/$1.new" "$work/show/$1"; date +%s%N; }

# Tab: the picture alone, filling the window as the colour checks expect.
# A frame drawn for an earlier event may come after Tab's key and before its
# own frame: the panels must be gone within 5 s, not in the very next frame.
panels_hidden() { grep '^row ' "$out" | tail -n 1 | grep -q ' overlay 0$'; }
picture_only() { local before; before=$(frames); xdotool key Tab; wait_row "$(last_row)" Tab "$before"
  within "$(date +%s%N)" 5 panels_hidden || fail "Tab left the panels shown"; }

case $case_name in
transport)
  start --paused --from drop1
  wait_row 960.000 "--from drop1"                 # drop1 is rows 960 to 1600
  key Down 961.000                                # one row
  key Down 962.000
  key Up 961.000
  key shift+Down 970.000                          # beats and bars land on the grid
  key Next 1000.000
  key shift+Up 990.000
  key Prior 960.000
  key shift+Next 1600.000                         # section starts
  key shift+Prior 960.000
  key shift+Prior 640.000
  key shift+Next 960.000
  # Loop a half bar: [ at 960, ] at 980, L on, then play.
  key bracketleft 960.000
  key shift+Down 970.000
  key shift+Down 980.000
  key bracketright 980.000
  key l 980.000
  lines=$(wc -l <"$out")
  xdotool key space
  sleep 3
  xdotool key space
  sleep 0.3
  # Rows are printed to three decimals: one a hair before the loop's end
  # reads 980.000.
  rows=$(tail -n +$((lines + 1)) "$out" | grep '^row ' | cut -d' ' -f2)
  echo "$rows" | awk 'BEGIN { wraps = 0 }
    $1 < 960 || $1 > 980 { print "row " $1 " outside the loop"; exit 1 }
    NR > 1 && $1 < last { wraps++ } { last = $1 }
    END { if (wraps < 1 || NR < 10) { print NR " frames, " wraps " wraps"; exit 1 } }' ||
    fail "loop 960..980 over 3 s"
  paused=$(last_row)
  count=$(wc -l <"$out")
  sleep 1
  [ "$(last_row)" = "$paused" ] && [ "$(wc -l <"$out")" -eq "$count" ] ||
    fail "rows went on after the pause: $paused, then $(last_row)"
  key Home 0.000
  quit
  # Played to its natural end, the music pauses there; Space plays it again
  # from the start.
  start --from end-0:2
  for _ in $(seq 100); do [ "$(frames)" -gt 0 ] && break; sleep 0.05; done
  for _ in $(seq 100); do
    count=$(frames); sleep 0.3; [ "$(frames)" -eq "$count" ] && break
  done
  [ "$(frames)" -eq "$count" ] || fail "still drawing long after the music's end"
  lines=$(wc -l <"$out")
  xdotool key space
  sleep 1
  tail -n +$((lines + 1)) "$out" | grep '^row ' | cut -d' ' -f2 |
    awk 'NR == 1 { first = $1 } END { exit !(NR > 2 && first < 40 && $1 > first) }' ||
    fail "Space after the end did not play from the start: $(tail -n 3 "$out" | xargs)"
  quit
  ;;
live_tracks)
  start --paused --from breakdown+4:0
  wait_row 1760.000 "--from breakdown+4:0"
  picture_only
  is_white && fail "the breakdown is white before any edit"
  saved=$(save tracks/strobe.tracks 'track strobo\n    0 2\n')
  within "$saved" 1 is_white || fail "not white within 1 s of strobo 2"
  saved=$(save tracks/strobe.tracks 'track strobo\n    0 2\n    1760 oops\n')
  within "$saved" 2 grep -q 'strobe.tracks:3: ' "$err" || fail "no file:line: for the broken save"
  sleep 0.5
  is_white || fail "a broken save changed the picture"
  [ "$(grep -c 'strobe.tracks:3: ' "$err")" -eq 1 ] || fail "the error was printed more than once"
  # Hidden, the panels still leave the error's red marker; the fix takes it away.
  within "$(date +%s%N)" 1 corner_red || fail "no error marker with the overlay hidden"
  saved=$(save tracks/strobe.tracks 'track strobo\n    0 0\n')
  within "$saved" 1 not_white || fail "the fixed save did not turn the strobe off"
  sleep 0.2
  corner_red && fail "the error marker stayed after the fix"
  grep -c 'tracks/strobe.tracks on screen' "$out" | grep -qx 2 ||
    fail "expected two good saves on screen"
  # A second file defining strobo breaks the tracks; removing it is the fix.
  cp "$work/show/tracks/strobe.tracks" "$work/show/tracks/extra.tracks"
  within "$(date +%s%N)" 2 grep -q 'track "strobo" is already defined' "$err" ||
    fail "no error for a track defined twice"
  rm "$work/show/tracks/extra.tracks"
  within "$(date +%s%N)" 1 grep -q '^halcyon-studio: tracks/extra.tracks removed, tracks on screen' \
    "$out" || fail "the removal that fixed the tracks was not confirmed"
  grep 'on screen' "$out"
  quit
  ;;
live_map)
  # The show folder's own map names the sections, at start and after a save.
  start --paused --from breakdown+4:0
  wait_row 1760.000 "--from breakdown+4:0"
  picture_only
  saved=$(save tracks/strobe.tracks 'track strobo\n    0 0\n    flash 2\n')
  within "$saved" 2 grep -q 'strobe.tracks:3: ' "$err" || fail "a section not in the map was taken"
  map=$work/show/tracks/music-map.txt
  printf 'section flash 1760 1800\n' >>"$work/map"
  cat "$map" "$work/map" >"$work/map.good"
  saved=$(save tracks/music-map.txt "$(cat "$work/map.good")\n")
  within "$saved" 1 is_white || fail "the section saved into the map is not known"
  saved=$(save tracks/music-map.txt "$(cat "$work/map.good")\nsection broken\n")
  within "$saved" 2 grep -q 'music-map.txt:[0-9]*: ' "$err" || fail "no file:line: for the broken map"
  sleep 0.3
  is_white || fail "a broken map changed the picture"
  quit
  cp "$work/map.good" "$map"
  start --paused --from flash+0:1
  wait_row 1770.000 "--from flash+0:1 (a section only the show's map has)"
  quit
  ;;
live_shaders)
  start --paused --from drop1+2:0
  wait_row 1040.000 "--from drop1+2:0"
  # Wrapped to this small window, the driver's log would reach into the half
  # that is measured: the picture alone (the error marker stays small).
  picture_only
  before=$(colour)
  printf 'not glsl at all\n' >>"$work/show/shaders/combine.glsl"
  within "$(date +%s%N)" 2 grep -qF "shaders/combine.glsl" "$err" || fail "no report naming the file"
  grep -qxF "Error compiling shader $work/show/shaders/combine.glsl [FS]:" "$err" ||
    fail "the report is not the driver's compile log"
  # The error is on the file's last line, as the file counts them.
  grep -qE "^0:$(wc -l <"$work/show/shaders/combine.glsl")\([0-9]+\): error" "$err" ||
    fail "the log's line number is not the file's ($(wc -l <"$work/show/shaders/combine.glsl"))"
  sleep 0.3
  [ "$(colour)" = "$before" ] || fail "a failed shader changed the picture: $before, then $(colour)"
  # A combine pass that paints the window magenta.
  saved=$(save shaders/combine.glsl '#version 120\nvoid main() {\n    gl_TexCoord[0] = gl_MultiTexCoord0;\n    gl_Position = gl_Vertex;\n}\n//____FRAGMENT_SHADER____\n#version 120\nvoid main() { gl_FragColor = vec4(1.0, 0.0, 1.0, 1.0); }\n')
  magenta() { set -- $(colour) 0 0 0; [ "$1" -ge 240 ] && [ "$2" -le 15 ] && [ "$3" -ge 240 ]; }
  within "$saved" 1 magenta || fail "the good shader is not on screen: $(colour)"
  grep 'on screen' "$out"
  quit
  ;;
signals)
  # SDL's file output stands in for a sound card; the studio is handed
  # SIGINT at its default (a shell's background program ignores it).
  for signal in INT:130 TERM:143; do
    LAUNCH="env -u HALCYON_AUDIO --default-signal=INT,TERM SDL_AUDIODRIVER=disk
            SDL_DISKAUDIOFILE=$work/${signal%:*}.raw" start --from drop1
    for _ in $(seq 100); do [ "$(frames)" -gt 5 ] && break; sleep 0.05; done
    [ "$(frames)" -gt 5 ] || fail "no frames drawn"
    kill -"${signal%:*}" $pid
    for _ in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    kill -0 $pid 2>/dev/null && fail "still running 5 s after SIG${signal%:*}"
    wait $pid
    status=$?
    trap - EXIT
    [ $status -eq "${signal#*:}" ] || fail "exit status $status after SIG${signal%:*}"
    ! grep -q "no audio output device" "$err" || fail "the disk output did not open"
    [ -s "$work/${signal%:*}.raw" ] || fail "nothing was played into the disk output"
  done
  ;;
navigation)
  start --paused
  wait_row 0.000 "--paused"
  xdotool key g && xdotool type 'drop1+2:0'
  key Return 1040.000                             # go to takes any position
  xdotool key g && xdotool type 'drop9'
  key Return 1040.000                             # an unknown one moves nothing
  before=$(grep -c '^drop1+2:0$' "$out")
  key p 1040.000                                  # the position, as the sources write it
  [ "$(grep -c '^drop1+2:0$' "$out")" -eq $((before + 1)) ] || fail "p printed no drop1+2:0"
  # Half speed: about half the rows of the wall time (the last frame may lag).
  key s 1040.000
  xdotool key space
  sleep 2
  xdotool key space
  sleep 0.3
  awk -v r="$(last_row)" 'BEGIN { d = r - 1040; exit !(d > 0.3 * 43.2 && d < 0.7 * 43.2) }' ||
    fail "half speed moved from 1040 to $(last_row) in 2 s"
  quit
  ;;
edit)
  # The picture's area at 640x360 is the top-left 384x216.
  SIZE=640x360
  start --paused
  wait_row 0.000 "--paused"
  WIDTH=384 HEIGHT=216
  strobe=$work/show/tracks/strobe.tracks
  cp "$strobe" "$work/strobe.orig"
  xdotool key g && xdotool type 'drop1'
  key Return 960.000
  key Down 961.000                                # one row into the drop's flash
  # strobo's column: after the tracks of the sources before strobe.tracks.
  column=$(cat "$work"/show/tracks/{camera,circles,eq,glow,laser}.tracks | grep -c '^ *track ')
  for _ in $(seq "$column"); do xdotool key Right; done
  not_white || fail "the drop's flash is white before the edit: $(colour)"
  xdotool type '2'
  key Return 961.000
  within "$(date +%s%N)" 2 is_white || fail "strobo 2 did not turn the picture white: $(colour)"
  grep -Eq '^ +(drop1\+961|961|drop1\+1) +2( |$)' "$strobe" ||
    { diff "$work/strobe.orig" "$strobe"; fail "no key line for row 961 in strobe.tracks"; }
  [ "$(diff "$work/strobe.orig" "$strobe" | grep -c '^[<>]')" -eq 1 ] ||
    { diff "$work/strobe.orig" "$strobe"; fail "the edit touched more than its line"; }
  key ctrl+z 961.000
  within "$(date +%s%N)" 2 cmp -s "$work/strobe.orig" "$strobe" ||
    { diff "$work/strobe.orig" "$strobe"; fail "undo did not restore strobe.tracks"; }
  within "$(date +%s%N)" 2 not_white || fail "the picture stayed white after undo"
  sleep 0.5
  grep -q 'strobe.tracks on screen' "$out" && fail "the studio's own write was taken for a save"
  quit
  ;;
curve_drag)
  # strobo's key at drop1 (1.4, the drop's flash), dragged up in the curve
  # view past 2, where the strobe turns the picture white. At 640x480 the
  # curve view is the 256x168 area at (384, 216), right of the grid and below
  # the picture; strobo's curve is its first colour, and the key at drop1 is
  # the curve's highest point in the bars around the cursor.
  SIZE=640x480
  start --paused --from drop1
  wait_row 960.000 "--from drop1"
  # The picture alone keeps 16:9 in the window's middle 640x360: the colour
  # checks look there.
  curvesX=$((X + 384)) curvesY=$((Y + 216))
  Y=$((Y + 60)) HEIGHT=360
  strobe=$work/show/tracks/strobe.tracks
  cp "$strobe" "$work/strobe.orig"
  column=$(cat "$work"/show/tracks/{camera,circles,eq,glow,laser}.tracks | grep -c '^ *track ')
  for _ in $(seq "$column"); do key Right 960.000; done
  picture_only
  not_white || fail "the drop's flash is white before the drag: $(colour)"
  key Tab 960.000
  # The topmost pixel of strobo's colour below the title bar and the names'
  # line (36 pixels): the key's dot's top edge, its centre 3 pixels lower.
  read -r kx ky < <(ffmpeg -loglevel error -f x11grab -video_size 256x168 \
    -i "$DISPLAY+$curvesX,$curvesY" -frames:v 1 -f rawvideo -pix_fmt rgb24 - |
    od -An -v -tu1 -w3 | awk '{ x = (NR - 1) % 256; y = int((NR - 1) / 256) }
      y >= 36 && $1 < 140 && $2 > 150 && $3 > 200 { print x, y + 3; exit }')
  [ -n "${ky:-}" ] || fail "no curve of strobo's colour in the curve view"
  kx=$((curvesX + kx)) ky=$((curvesY + ky))
  xdotool mousemove "$kx" "$ky"; sleep 0.2
  xdotool mousedown 1; sleep 0.2
  for dy in 20 40 60 80; do xdotool mousemove "$kx" $((ky - dy)); sleep 0.1; done
  xdotool mouseup 1
  within "$(date +%s%N)" 3 grep -Eq '^ +drop1 +2\.[0-9]+ +linear +# the drop lands$' "$strobe" ||
    { diff "$work/strobe.orig" "$strobe"; fail "the drag wrote no value above 2 on drop1's line"; }
  [ "$(diff "$work/strobe.orig" "$strobe" | grep -c '^[<>]')" -eq 2 ] &&
    diff "$work/strobe.orig" "$strobe" | grep -Eq '^< +drop1 +1\.4 +linear' ||
    { diff "$work/strobe.orig" "$strobe"; fail "the drag touched more than drop1's line"; }
  # The frame that shows the edit comes after the write: Tab waits for it.
  within "$(date +%s%N)" 2 grep -q '^halcyon-studio: edit on screen' "$out" ||
    fail "no frame showed the dragged key"
  picture_only
  within "$(date +%s%N)" 2 is_white || fail "the dragged key did not turn the picture white: $(colour)"
  key ctrl+z 960.000
  within "$(date +%s%N)" 2 cmp -s "$work/strobe.orig" "$strobe" ||
    { diff "$work/strobe.orig" "$strobe"; fail "undo did not restore strobe.tracks"; }
  within "$(date +%s%N)" 2 not_white || fail "the picture stayed white after undo"
  quit
  ;;
fly)
  # Fly mode keys the flown camera into camera.tracks, one undo takes it
  # back; a layer's switch changes the picture. The picture's area at 640x360
  # is the top-left 384x216.
  SIZE=640x360
  start --paused --from drop1+3:0
  wait_row 1080.000 "--from drop1+3:0"
  camera=$work/show/tracks/camera.tracks
  cp "$camera" "$work/camera.orig"
  picture() {
    ffmpeg -loglevel error -f x11grab -video_size 384x216 -i "$DISPLAY+$X,$Y" -frames:v 1 \
      -f rawvideo -pix_fmt rgb24 - | md5sum
  }
  # The strobe's solo switch (S), on the side panel's third line of switches.
  solo_strobe() { local before; before=$(frames)
    xdotool mousemove $((X + 523)) $((Y + 121)) click 1
    # The click's own frame finds it; the one after shows the layers.
    wait_row 1080.000 "a click" $((before + 1)); sleep 0.3; }
  # (Paused, the equaliser's peak hold still decays a little with each frame:
  # the pictures are compared with the soloed one, not with each other.)
  shows=$(picture)
  solo_strobe
  soloed=$(picture)
  [ "$soloed" != "$shows" ] || fail "soloing the strobe left the picture as it was"
  solo_strobe
  [ "$(picture)" != "$soloed" ] || fail "the picture stayed soloed after the second click"
  cmp -s "$work/camera.orig" "$camera" || fail "a layer's switch touched the sources"
  key f 1080.000
  # Sideways in the picture: the angle alone (the orbit's centre is the
  # target here); a wheel notch closer: the distance.
  xdotool mousemove $((X + 150)) $((Y + 100)) mousedown 1 mousemove $((X + 180)) $((Y + 100)) \
    mousemove $((X + 210)) $((Y + 100)) mouseup 1
  xdotool click 4
  sleep 0.3
  key k 1080.000
  within "$(date +%s%N)" 2 eval '! cmp -s "$work/camera.orig" "$camera"' ||
    fail "k wrote nothing into camera.tracks"
  diff "$work/camera.orig" "$camera" >"$work/camera.diff"
  [ "$(grep -c '^>' "$work/camera.diff")" -eq 2 ] && [ "$(grep -c '^<' "$work/camera.diff")" -eq 0 ] ||
    { cat "$work/camera.diff"; fail "k did not add exactly the angle's and the distance's keys"; }
  [ "$(grep -cE '^> +drop1\+3:0 +-?[0-9.]+ *$' "$work/camera.diff")" -eq 2 ] ||
    { cat "$work/camera.diff"; fail "the keys are not at drop1+3:0"; }
  key ctrl+z 1080.000
  within "$(date +%s%N)" 2 cmp -s "$work/camera.orig" "$camera" ||
    { diff "$work/camera.orig" "$camera"; fail "undo did not restore camera.tracks"; }
  key Escape 1080.000                             # leaves fly mode, does not quit
  kill -0 $pid || fail "Escape in fly mode quit"
  quit
  ;;
timeline)
  # At 640x360 the timeline is the window's bottom 72 rows of pixels, all of
  # its width, showing the whole music: row R is drawn at x = R / end * 640,
  # and a click reads the row at the pixel's centre, so it lands within one
  # pixel's rows (end / 640, 6 for this music) of the row aimed at.
  SIZE=640x360
  start --paused
  wait_row 0.000 "--paused"
  end=$(sed -n 's/^halcyon-studio: music of \([0-9.]*\) rows$/\1/p' "$out")
  [ -n "$end" ] || fail "the music's length was not printed"
  x_of() { awk -v r="$1" -v e="$end" 'BEGIN { print int(r / e * 640) }'; }
  near() { awk -v r="$(last_row)" -v t="$1" -v e="$end" 'BEGIN { d = r - t; exit !(d * d <= (e / 640) ^ 2) }'; }
  # Window coordinates: the window may hang off the screen's edge.
  strip_y=$((360 - 36))
  before=$(frames)
  xdotool mousemove --window "$window" "$(x_of 960)" $strip_y click 1
  for _ in $(seq 100); do [ "$(frames)" -gt "$before" ] && near 960 && break; sleep 0.05; done
  near 960 || fail "a click at drop1's x moved the row to $(last_row)"
  # A drag from there to drop2's x: the row follows the pointer.
  xdotool mousedown 1 mousemove --window "$window" "$(x_of 2000)" $strip_y \
    mousemove --window "$window" "$(x_of 2560)" $strip_y mouseup 1
  for _ in $(seq 100); do near 2560 && break; sleep 0.05; done
  near 2560 || fail "a drag to drop2's x moved the row to $(last_row)"
  grep -q '^halcyon-studio: scrub on screen .* after the click, in frame +1$' "$out" ||
    fail "no scrub latency line for the next frame: $(grep 'scrub on screen' "$out")"
  # m sets a bookmark at the row, written to the show folder's file; , and .
  # jump to it; a second m clears it again.
  row=$(last_row)
  key m "$row"
  grep -Eq '^mark1  [a-z0-9:+]+$' "$work/show/bookmarks.txt" ||
    fail "no mark1 line in bookmarks.txt: $(cat "$work/show/bookmarks.txt")"
  key Home 0.000
  key period "$row"
  key Next "$(awk -v r="$row" 'BEGIN { printf "%.3f", int(r / 40) * 40 + 40 }')"
  key comma "$row"
  quit
  # --from takes the bookmark's name.
  start --paused --from mark1
  wait_row "$row" "--from mark1"
  key m "$row"
  grep -q mark1 "$work/show/bookmarks.txt" && fail "a second m left mark1 in the file"
  quit
  ;;
*)
  fail "unknown case $case_name"
  ;;
esac
echo PASS
