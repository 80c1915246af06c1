#!/usr/bin/env bash
# One end-to-end case: builds its data directory from the base set, points the
# program's data link at it and runs the program in a virtual X server.
set -u
case_name=$1
: "${HALCYON_BIN:?}" "${E2E_DATA:?}"
scenario="$E2E_DATA/$case_name"
rm -rf "$scenario"
cp -r "$E2E_DATA/base" "$scenario"
cp "$E2E_DATA/short.mp3" "$scenario/Meridian_Demo_Edit.mp3"
ln -sfn "$scenario" "$E2E_DATA/current"
dir="$E2E_DATA/current/"
out="$scenario.out"
err="$scenario.err"

fail() { echo "FAIL: $*"; echo "--- stdout"; cat "$out"; echo "--- stderr"; cat "$err"; exit 1; }

# Runs the program with the given arguments in its own X server; with a
# script as $DRIVER, that script runs beside it (it gets the program's pid);
# $LAUNCH, a command line, starts the program.
run() {
  "$(dirname "$0")/../../xvfb-run.sh" -s "-screen 0 1280x1024x24" bash -c '
    ${LAUNCH:-} "$HALCYON_BIN" "$@" >"'"$out"'" 2>"'"$err"'" &
    pid=$!
    if [ -n "${DRIVER:-}" ]; then bash -c "$DRIVER" driver "$pid"; fi
    wait $pid' run "$@"
}

case $case_name in
window_plays_to_the_end)
  geometry="$scenario.geometry"
  DRIVER="xdotool search --sync --name 'I am tandem, you are glue' getwindowgeometry > '$geometry'" run x
  status=$?
  [ $status -eq 0 ] || fail "exit status $status"
  grep -q 'Geometry: 1280x720' "$geometry" || fail "window geometry: $(cat "$geometry")"
  ;;
escape_quits)
  cp "$E2E_DATA/long.mp3" "$scenario/Meridian_Demo_Edit.mp3"
  DRIVER='w=$(xdotool search --sync --name "I am tandem, you are glue" | head -1)
          sleep 1; xdotool windowfocus --sync "$w" key Escape
          for i in $(seq 100); do kill -0 "$1" 2>/dev/null || exit 0; sleep 0.1; done
          kill "$1"' run x
  status=$?
  [ $status -eq 0 ] || fail "exit status $status after Escape on a 60 s soundtrack"
  ;;
fullscreen_impossible_fails_silently)
  run
  status=$?
  [ $status -eq 1 ] || fail "exit status $status"
  [ ! -s "$out" ] && [ ! -s "$err" ] || fail "printed something"
  ;;
missing_soundtrack)
  rm "$scenario/Meridian_Demo_Edit.mp3"
  run x
  status=$?
  [ $status -eq 1 ] || fail "exit status $status"
  grep -qxF "Failed to open ${dir}Meridian_Demo_Edit.mp3" "$err" || fail "message"
  ;;
missing_image_before_shaders)
  rm "$scenario/flare.png" "$scenario/envi.glsl"
  run x
  status=$?
  [ $status -eq 1 ] || fail "exit status $status"
  grep -qxF "Error opening file: ${dir}flare.png" "$err" || fail "message"
  ;;
shader_error)
  sed -i '0,/void main/s//void main() { undeclared_name; }\nvoid unused/' "$scenario/blur.glsl"
  run x
  status=$?
  [ $status -eq 1 ] || fail "exit status $status"
  grep -qF "Error compiling shader ${dir}blur.glsl [VS]: (" "$err" || fail "message"
  ;;
model_check)
  echo "f 1 2 99" >> "$scenario/symbol5.obj"
  run x
  status=$?
  [ $status -ne 0 ] && [ $status -ne 1 ] || fail "exit status $status"
  grep -qF "tandem1.0/Model/" "$err" || fail "report names no source"
  grep -qF "Assertion \`v1 < vertexpos_x && v2 < vertexpos_x && v3 < vertexpos_x' failed." "$err" ||
    fail "report"
  ;;
signals_end_it_with_a_device)
  # SDL's file output stands in for a sound card. A shell starts a background
  # program with SIGINT ignored, so it is handed over at its default.
  cp "$E2E_DATA/long.mp3" "$scenario/Meridian_Demo_Edit.mp3"
  for signal in INT:130 TERM:143; do
    raw="$scenario.${signal%:*}.raw"
    LAUNCH="env -u HALCYON_AUDIO --default-signal=INT,TERM SDL_AUDIODRIVER=disk
            SDL_DISKAUDIOFILE=$raw" \
      DRIVER='xdotool search --sync --name "I am tandem, you are glue" >/dev/null; sleep 1
              kill -'"${signal%:*}"' "$1"
              for i in $(seq 50); do kill -0 "$1" 2>/dev/null || exit 0; sleep 0.1; done
              echo "still running 5 s after the signal"; kill -KILL "$1"' run x
    status=$?
    [ $status -eq "${signal#*:}" ] || fail "exit status $status after SIG${signal%:*}"
    ! grep -q "no audio output device" "$err" || fail "the disk output did not open"
    [ -s "$raw" ] || fail "nothing was played into $raw"
  done
  ;;
relocated_reads_beside_itself)
  # A copy of the program in a folder of its own, started from elsewhere: it
  # reads the folder "data/" beside itself, named in full in its messages.
  : "${RELOCATED_BIN:?}"
  folder=$(realpath -m "$scenario.release")
  rm -rf "$folder"
  mkdir -p "$folder"
  cp "$RELOCATED_BIN" "$folder/halcyon"
  ln -s "$scenario" "$folder/data"
  HALCYON_BIN=$folder/halcyon
  mv "$scenario/flare.png" "$scenario/flare.png.away"
  (cd / && run x)
  status=$?
  [ $status -eq 1 ] || fail "exit status $status without flare.png"
  grep -qxF "Error opening file: $folder/data/flare.png" "$err" || fail "message"
  mv "$scenario/flare.png.away" "$scenario/flare.png"
  (cd / && run x)
  status=$?
  [ $status -eq 0 ] || fail "exit status $status"
  ;;
*)
  echo "unknown case $case_name"
  exit 2
  ;;
esac
# In the sanitizer build every exit, a fatal one included, must leave no report.
! grep -qE "(Address|Leak|UndefinedBehavior|Thread)Sanitizer|runtime error:" "$err" ||
  fail "sanitizer report"
echo "PASS: $case_name"
