#!/usr/bin/env bash
# studio-bench.sh STUDIO SHOW_DIR WORK_DIR WxH: plays the show from drop1 in a
# virtual X server and prints
#  - the frame time and the process's CPU time a frame (which a busy machine
#    disturbs less) with the panels shown and hidden (H toggled every 2 s,
#    eight times each; the first frame after a toggle is left out), from the
#    studio's --print-rows lines; hidden, the picture fills the window, so the
#    two differ by the picture's size as well;
#  - the panels' own CPU time a frame (building the grid of all 45 tracks and
#    handing it to GL), as the studio sums it up at the end;
#  - the curve view's CPU time a frame laying out eight curves (a block of
#    the first eight columns marked while the toggles run), alone and with
#    the grid's;
#  - the time from an edit's key to the frame that shows it, and how many
#    frames later that is, over 10 values typed into strobo's cell and their
#    10 undos;
#  - the time from a save to the first frame that shows it, as the studio
#    reports it, over 10 track saves and 10 shader saves (each a rename over
#    the old file, as editors do);
#  - the timeline's own CPU time a frame to lay out (part of the panels'), and
#    the scrub latency: from a click on the timeline to the end of the frame
#    that shows its row, over 10 clicks while paused and 10 while playing.
set -u
studio=$1 show=$2 work=$3 size=$4
if [ -z "${BENCH_IN_X:-}" ]; then
  BENCH_IN_X=1 exec xvfb-run -a -s "-screen 0 1920x1080x24" bash "$0" "$@"
fi
rm -rf "$work"
mkdir -p "$work"
cp -r "$show" "$work/show"
out=$work/out
"$studio" --size "$size" --show "$work/show" --from drop1 --loop drop1..drop1.end --print-rows \
  >"$out" 2>"$work/err" &
pid=$!
window=$(xdotool search --sync --name 'halcyon-studio' | head -1)
xdotool windowfocus --sync "$window"
sleep 2
# Eight curves in the curve view while the toggles run (keys a frame apart,
# none lost); the mark is dropped and the cursor back in the first column
# before the edits.
xdotool key b
for _ in $(seq 7); do sleep 0.5; xdotool key Right; done
for _ in $(seq 16); do sleep 2; xdotool key h; done
xdotool key Escape
for _ in $(seq 7); do xdotool key Left; sleep 0.5; done

# Saves FILE ten times as an editor does (a new file renamed over it), each
# time its first content with one COMMENT line added.
saveRepeatedly() {
  local file=$1 comment=$2 original=$work/$(basename "$1").orig
  cp "$file" "$original"
  for i in $(seq 10); do
    { cat "$original"; echo "$comment save $i"; } >"$file.new" && mv "$file.new" "$file"
    sleep 0.4
  done
}
saveRepeatedly "$work/show/tracks/strobe.tracks" '#'
saveRepeatedly "$work/show/shaders/combine.glsl" '//'
# Edits, paused at drop1 (the drop's own key, not one of a repeat), in
# strobo's column (after the sources before strobe.tracks).
xdotool key space
xdotool key g; xdotool type drop1; xdotool key Return
column=$(cat "$work"/show/tracks/{camera,circles,eq,glow,laser}.tracks | grep -c '^ *track ')
for _ in $(seq "$column"); do xdotool key Right; sleep 0.05; done
for i in $(seq 10); do
  xdotool type "1.$i"; xdotool key Return; sleep 0.4
  xdotool key ctrl+z; sleep 0.4
done
# Scrubs: clicks along the timeline at the window's bottom, paused, then
# playing.
width=${size%x*} height=${size#*x}
for state in paused playing; do
  [ "$state" = playing ] && xdotool key l space # the loop off: each click plays from its row
  for i in $(seq 10); do
    xdotool mousemove --window "$window" $((width * i / 11)) $((height - 10)) click 1; sleep 0.4
  done
done
xdotool key Escape
wait $pid

echo "halcyon-studio at $size, playing drop1 (Mesa software renderer, silent output)"
awk '/^halcyon-studio: music of/ { next }
     /^halcyon-studio:/ { exit }  # the saves come after the toggles
     $1 == "row" {
       o = $8
       if (o == last) { n[o]++; wall[o, n[o]] = $4; cpu[o, n[o]] = $6 }
       last = o }
     function median(a, o, m,    s, i, j, x) {
       for (i = 1; i <= m; i++) s[i] = a[o, i]
       for (i = 2; i <= m; i++) { x = s[i]; for (j = i - 1; j >= 1 && s[j] > x; j--) s[j + 1] = s[j]; s[j + 1] = x }
       return s[int((m + 1) / 2)] }
     END {
       for (o = 1; o >= 0; o--)
         printf "  %-12s %4d frames: median frame %6.2f ms, median CPU %6.2f ms a frame\n",
                o ? "panels shown" : "picture only", n[o], median(wall, o, n[o]), median(cpu, o, n[o]) }' "$out"
grep -E '^halcyon-studio: (panels|curve view|timeline)' "$out" | sed 's/^halcyon-studio: /  /'
grep '^halcyon-studio: edit' "$out" | awk '
  { ms[NR] = $5 + 0; later[$12]++ }
  END {
    for (i = 2; i <= NR; i++) { x = ms[i]; for (j = i - 1; j >= 1 && ms[j] > x; j--) ms[j + 1] = ms[j]; ms[j + 1] = x }
    printf "  edit to frame, %2d edits: median %4d ms, max %4d ms;", NR, ms[int((NR + 1) / 2)], ms[NR]
    for (f in later) printf " %d in frame %s", later[f], f
    printf "\n" }'
grep '^halcyon-studio: scrub' "$out" | awk '
  { ms[NR] = $5 + 0; later[$12]++ }
  END {
    for (i = 2; i <= NR; i++) { x = ms[i]; for (j = i - 1; j >= 1 && ms[j] > x; j--) ms[j + 1] = ms[j]; ms[j + 1] = x }
    printf "  click to frame, %2d scrubs: median %5.1f ms, max %5.1f ms;", NR, ms[int((NR + 1) / 2)], ms[NR]
    for (f in later) printf " %d in frame %s", later[f], f
    printf "\n" }'
for what in tracks shaders; do
  grep "^halcyon-studio: $what/.* on screen" "$out" | awk -v what="$what" '
    { ms[NR] = $5 + 0; rebuild += $(NF - 1) + 0 }
    END {
      for (i = 2; i <= NR; i++) { x = ms[i]; for (j = i - 1; j >= 1 && ms[j] > x; j--) ms[j + 1] = ms[j]; ms[j + 1] = x }
      printf "  save to frame, %-7s %2d saves: median %4d ms, max %4d ms (rebuild alone: mean %.1f ms)\n",
             what, NR, ms[int((NR + 1) / 2)], ms[NR], rebuild / NR }'
done
