#!/usr/bin/env bash
# A segmented export through scripts/export-parallel against the same export
# in one process: lossless in 3 segments, frame for frame identical (framemd5);
# two-pass H.264 in 3 segments, the same frames, duration and sound, and a
# PSNR of at least 45 dB. Then the join's refusals (a missing, a foreign and
# an overlapping segment: one line naming it, status 1, nothing written) and
# a second run that finds every segment complete and draws nothing.
#   SegmentedExportTest.sh CAPTURE EXPORT-PARALLEL WORKDIR
set -u
capture=$1 driver=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
fail=0
export -n DISPLAY
range=(--fps 12 --from 216 --to 259.2) # 24 frames

run() {
  local name=$1
  shift
  "$@" 2>"$work/$name.log" || { echo "FAIL: $name: status $?"; cat "$work/$name.log"; fail=1; }
}
video_md5() { ffmpeg -v error -i "$1" -map 0:v -f framemd5 - | grep -v '^#'; }
audio_md5() { ffmpeg -v error -i "$1" -map 0:a -f md5 -; }
probe() { ffprobe -v error -count_frames -select_streams "$2" -show_entries "stream=$3" -of csv=p=0 "$1"; }

run lossless-one "$capture" --preset lossless --size 160x90 "${range[@]}" --out "$work/one.mkv"
run lossless-parts "$driver" -j 2 --segments 3 --capture "$capture" --out "$work/parts.mkv" -- \
  --preset lossless --size 160x90 "${range[@]}"
if [ -s "$work/one.mkv" ] && [ -s "$work/parts.mkv" ]; then
  [ "$(video_md5 "$work/one.mkv" | wc -l)" = 24 ] || { echo "FAIL: lossless: not 24 frames"; fail=1; }
  diff <(video_md5 "$work/one.mkv") <(video_md5 "$work/parts.mkv") >/dev/null ||
    { echo "FAIL: lossless: the joined frames differ"; fail=1; }
  [ "$(audio_md5 "$work/one.mkv")" = "$(audio_md5 "$work/parts.mkv")" ] ||
    { echo "FAIL: lossless: the sound differs"; fail=1; }
fi

h264=(--preset party --size 320x180 "${range[@]}")
run h264-one "$capture" "${h264[@]}" --out "$work/one.mp4"
run h264-parts "$driver" -j 2 --segments 3 --capture "$capture" --work "$work/h264" \
  --out "$work/parts.mp4" -- "${h264[@]}"
if [ -s "$work/one.mp4" ] && [ -s "$work/parts.mp4" ]; then
  for f in one parts; do
    echo "$f: $(probe "$work/$f.mp4" v nb_read_frames,duration | paste -sd' ') /" \
      "$(probe "$work/$f.mp4" a codec_name,sample_rate,channels,duration | paste -sd' ')"
  done >"$work/h264.txt"
  cat "$work/h264.txt"
  [ "$(cut -d' ' -f2- "$work/h264.txt" | uniq | wc -l)" = 1 ] ||
    { echo "FAIL: h264: frames, durations or sound differ"; fail=1; }
  grep -q "^one: 2.000000,24 " "$work/h264.txt" || { echo "FAIL: h264: not 24 frames in 2 s"; fail=1; }
  [ "$(audio_md5 "$work/one.mp4")" = "$(audio_md5 "$work/parts.mp4")" ] ||
    { echo "FAIL: h264: the sound differs"; fail=1; }
  psnr=$(ffmpeg -v info -i "$work/parts.mp4" -i "$work/one.mp4" -lavfi "[0:v][1:v]psnr" -f null - 2>&1 |
    sed -n 's/.*PSNR.* average:\([0-9.inf]*\).*/\1/p')
  echo "h264: PSNR $psnr dB"
  awk -v p="$psnr" 'BEGIN { exit !(p == "inf" || p >= 45) }' || { echo "FAIL: h264: PSNR $psnr"; fail=1; }
fi

# The join's refusals, on copies of the lossless segments.
refused() {
  local what=$1 dir=$2 message=$3
  "$capture" --join "$dir" --out "$work/refused/x.mkv" 2>"$work/$what.log"
  local status=$?
  [ $status = 1 ] || { echo "FAIL: $what: status $status"; fail=1; }
  [ "$(wc -l <"$work/$what.log")" = 1 ] && grep -qF "$message" "$work/$what.log" ||
    { echo "FAIL: $what: expected '$message', got:"; cat "$work/$what.log"; fail=1; }
  [ -z "$(ls -A "$work/refused" 2>/dev/null)" ] || { echo "FAIL: $what: wrote $(ls -A "$work/refused")"; fail=1; }
}
segs=$work/parts.mkv.segments
cp -r "$segs" "$work/missing"
rm "$work/missing/segment-2-of-3."*
refused missing "$work/missing" "segment-2-of-3.nut: missing"
cp -r "$segs" "$work/foreign"
run foreign-part "$capture" --preset lossless --size 160x90 --fps 12 --from 216 --to 260 \
  --segment 2/3 --out "$work/foreign"
refused foreign "$work/foreign" "segment-2-of-3.nut: foreign"
cp -r "$segs" "$work/overlap"
run overlap-part "$capture" --preset lossless --size 160x90 "${range[@]}" --segment 1/2 --out "$work/overlap"
refused overlap "$work/overlap" "segment-1-of-3.nut: overlaps segment-1-of-2.nut"

# Again: every segment is complete, nothing is drawn, the same file comes out.
before=$(video_md5 "$work/parts.mkv")
run resume "$driver" -j 2 --segments 3 --capture "$capture" --out "$work/parts.mkv" -- \
  --preset lossless --size 160x90 "${range[@]}"
grep -q "3 of 3 segments complete, drawing 0" "$work/resume.log" || { echo "FAIL: resume"; cat "$work/resume.log"; fail=1; }
[ "$(video_md5 "$work/parts.mkv")" = "$before" ] || { echo "FAIL: resume: another file"; fail=1; }
[ $fail -eq 0 ] && echo PASS
exit $fail
