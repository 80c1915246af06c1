#!/usr/bin/env bash
# Exports rows 216 to 259.2 (10 s to 12 s of the show) at 12 fps and checks the file.
set -u
capture=$1 out=$2
rm -f "$out"
"$(dirname "$0")/../xvfb-run.sh" -s "-screen 0 640x480x24" "$capture" --size 160x90 --fps 12 --from 216 --to 259.2 \
  --out "$out" 2>"$out.log" || { cat "$out.log"; echo "FAIL: capture exited $?"; exit 1; }
probe() { ffprobe -v error -count_frames -select_streams "$1" -show_entries "stream=$2" -of csv=p=0 "$out"; }
frames=$(probe v nb_read_frames)
video=$(probe v duration)
audio_codec=$(probe a codec_name)
audio=$(probe a duration)
echo "video frames $frames, video $video s, audio $audio_codec $audio s"
[ "$frames" = 24 ] || { echo "FAIL: expected 24 frames"; exit 1; }
awk -v v="$video" -v a="$audio" 'BEGIN { exit !(v > 1.99 && v < 2.01 && a > 1.95 && a < 2.05) }' ||
  { echo "FAIL: durations"; exit 1; }
[ "$audio_codec" = aac ] || { echo "FAIL: no audio track"; exit 1; }
grep -q "frame 24/24" "$out.log" || { echo "FAIL: no progress bar"; exit 1; }
echo PASS
