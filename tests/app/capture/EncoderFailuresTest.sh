#!/usr/bin/env bash
# The export when ffmpeg fails, through stand-ins put first in PATH: one that
# exits at once (over seven frames: the frame loop finds the writer stopped),
# one that exits after the first frame and one that stops reading in the middle
# of a frame (over three frames, as many as the writer thread holds: all are
# handed over before it finds the encoder gone). Each run must end with status
# 1 and one message (besides the progress bar's line), and leave neither its
# temporary file nor anything under the final name. Last, a run whose process
# number left a temporary file behind in an earlier life (the same number, as
# in a container where the tool is process 1) must not be blocked by it.
set -u
capture=$1 work=$2
rm -rf "$work"
mkdir -p "$work/bin"
frame=$((640 * 360 * 3))
run() { env -u DISPLAY "$capture" --size 640x360 --fps 10 --from 216 "$@"; }
fail=0

stand_in() {
  printf '#!/bin/sh\n%s\n' "$2" >"$work/bin/$1/ffmpeg"
  chmod +x "$work/bin/$1/ffmpeg"
}
declare -A stops=(
  [at-once]='exit 1'
  [after-first-frame]="head -c $frame >/dev/null; exit 0"
  [mid-stream]="head -c $((frame / 2)) >/dev/null; exit 1")
declare -A lastRow=([at-once]=230 [after-first-frame]=222 [mid-stream]=222)
for case in "${!stops[@]}"; do
  mkdir -p "$work/bin/$case" "$work/$case"
  stand_in "$case" "${stops[$case]}"
  PATH="$work/bin/$case:$PATH" run --to "${lastRow[$case]}" --out "$work/$case/clip.mp4" \
    2>"$work/$case.log"
  status=$?
  # The progress bar redraws one line with carriage returns.
  messages=$(grep -v $'^\r' "$work/$case.log")
  [ $status = 1 ] || { echo "FAIL: $case: status $status"; fail=1; }
  [[ $(printf '%s\n' "$messages" | wc -l) = 1 &&
     $messages =~ ^"halcyon-capture: ffmpeg ".*"; nothing written to $work/$case/clip.mp4"$ ]] ||
    { echo "FAIL: $case: said:"; cat "$work/$case.log"; fail=1; }
  left=$(ls -A "$work/$case")
  [ -z "$left" ] || { echo "FAIL: $case: left $left"; fail=1; }
done

mkdir "$work/leftover"
# exec keeps the shell's process number, so the leftover carries the number the
# tool runs under.
bash -c 'touch "$1/.halcyon-capture-$$.mp4" && exec env -u DISPLAY "$2" --size 64x36 --fps 12 \
           --from 216 --to 222 --out "$1/clip.mp4"' _ "$work/leftover" "$capture" \
  2>"$work/leftover.log"
status=$?
[ $status = 0 ] || { cat "$work/leftover.log"; echo "FAIL: leftover: status $status"; fail=1; }
files=$(cd "$work/leftover" && ls -A | grep -vx -e clip.mp4 -e '\.halcyon-capture-[0-9]*\.mp4')
[ -s "$work/leftover/clip.mp4" ] && [ -z "$files" ] ||
  { echo "FAIL: leftover: folder holds $(ls -A "$work/leftover")"; fail=1; }
[ $fail -eq 0 ] && echo PASS
exit $fail
