#!/usr/bin/env bash
# Exports rows 216 to 259.2 (10 s to 12 s of the show) at 12 fps without a
# display, into a folder the export creates, under a name with spaces and
# quotes, and checks the file.
set -u
capture=$1 work=$2
rm -rf "$work"
out="$work/new folder/it's a \"short\" clip.mp4"
env -u DISPLAY "$capture" --size 160x90 --fps 12 --from 216 --to 259.2 --out "$out" 2>"$work.log" ||
  { cat "$work.log"; echo "FAIL: capture exited $?"; exit 1; }
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
grep -q "frame 24/24" "$work.log" || { echo "FAIL: no progress bar"; exit 1; }
[ "$(ls -A "$work/new folder")" = "$(basename "$out")" ] || { echo "FAIL: other files left"; exit 1; }
echo PASS
