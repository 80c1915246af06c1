#!/usr/bin/env bash
# The export against an encoder slower than drawing, through a stand-in for
# ffmpeg first on PATH: it keeps the raw frames it is given, at its own pace,
# then hands them to the real ffmpeg.
#   SlowEncoderTest.sh CAPTURE WORKDIR slow       the frames a slow encoder
#                                                   takes are those a fast one takes
#   SlowEncoderTest.sh CAPTURE WORKDIR interrupt  SIGINT mid-export ends it by
#                                                   that signal and leaves no file
set -u
capture=$1 work=$2 mode=$3
rm -rf "$work"
mkdir -p "$work/bin"
real=$(command -v ffmpeg) || { echo "FAIL: no ffmpeg"; exit 1; }
# Frames large enough that the pipe (1 MiB) holds less than two of them, so
# that a slow encoder holds the writer back.
width=640 height=360
frame_bytes=$((width * height * 3))
cat >"$work/bin/ffmpeg" <<EOF
#!/usr/bin/env bash
# A frame at a time, a pause after each; the raw frames go to \$STAND_IN_RAW.
chunk="\$STAND_IN_RAW.chunk"
: >"\$STAND_IN_RAW"
while dd bs=$frame_bytes count=1 iflag=fullblock status=none of="\$chunk" && [ -s "\$chunk" ]; do
  cat "\$chunk" >>"\$STAND_IN_RAW"
  sleep "\$STAND_IN_PAUSE"
done
exec "$real" "\$@" <"\$STAND_IN_RAW"
EOF
chmod +x "$work/bin/ffmpeg"

# export NAME PAUSE [ARG...]: runs the capture in the background on 24 frames.
export_with() {
  local name=$1 pause=$2
  shift 2
  mkdir -p "$work/$name"
  STAND_IN_RAW="$work/$name.raw" STAND_IN_PAUSE=$pause PATH="$work/bin:$PATH" env -u DISPLAY \
    "$capture" --size ${width}x$height --fps 12 --from 216 --to 259.2 --out "$work/$name/out.mp4" \
    2>"$work/$name.log" &
}

case $mode in
slow)
  export_with fast 0
  wait $! || { cat "$work/fast.log"; echo "FAIL: fast export exited $?"; exit 1; }
  export_with slow 0.1
  wait $! || { cat "$work/slow.log"; echo "FAIL: slow export exited $?"; exit 1; }
  for run in fast slow; do
    [ "$(stat -c %s "$work/$run.raw")" = $((24 * frame_bytes)) ] ||
      { echo "FAIL: $run encoder took $(stat -c %s "$work/$run.raw") bytes"; exit 1; }
    [ -s "$work/$run/out.mp4" ] || { echo "FAIL: $run export wrote nothing"; exit 1; }
  done
  cmp "$work/fast.raw" "$work/slow.raw" ||
    { echo "FAIL: the slow encoder was given other frames (torn from byte above)"; exit 1; }
  rm -f "$work"/*.raw
  ;;
interrupt)
  export_with cut 1
  pid=$!
  for _ in $(seq 600); do
    [ -s "$work/cut.raw" ] && break
    sleep 0.1
  done
  [ -s "$work/cut.raw" ] || { kill -KILL $pid; echo "FAIL: the export never started"; exit 1; }
  kill -INT $pid
  wait $pid
  status=$?
  [ $status = 130 ] || { cat "$work/cut.log"; echo "FAIL: status $status, not 130 (SIGINT)"; exit 1; }
  left=$(ls -A "$work/cut")
  [ -z "$left" ] || { echo "FAIL: left behind: $left"; exit 1; }
  ;;
*)
  echo "FAIL: unknown mode $mode"
  exit 1
  ;;
esac
echo PASS
