#!/usr/bin/env bash
# Each preset (and the 10-bit and other-codec variants) on a short range at a
# small size, checked with ffprobe: codec, profile, level, size, frame rate,
# pixel format, key frames (closed GOPs: every I frame a key frame, at the
# preset's interval), the encoder's own record of its rate control, and the
# audio's codec, rate, channels and bitrate. The lossless file's first frame
# must be the very picture halcyon-frames draws of that row.
#   PresetsTest.sh CAPTURE FRAMES WORKDIR
set -u
capture=$1 frames=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
fail=0
export -n DISPLAY

# stream FILE STREAM FIELDS: ffprobe's values of the first such stream, in the order asked.
stream() {
  local all field values=()
  all=$(ffprobe -v error -select_streams "$2:0" -show_entries "stream=$3" -of default=nw=1 "$1")
  for field in ${3//,/ }; do
    values+=("$(sed -n "s/^$field=//p" <<<"$all")")
  done
  echo "${values[*]}"
}
expect() {
  local what=$1 actual=$2 expected=$3
  [ "$actual" = "$expected" ] || { echo "FAIL: $what: '$actual', not '$expected'"; fail=1; }
}
# key frame indices, and whether any I frame is not a key frame (an open GOP)
keys() {
  ffprobe -v error -select_streams v:0 -show_entries frame=key_frame,pict_type -of compact=p=0 "$1" |
    awk '/key_frame=/ { key = /key_frame=1/; if (key) printf "%s%d", n++ ? " " : "", frame
                        if (!key && /pict_type=I/) open = 1; frame++ }
         END { if (open) printf " open"; print "" }'
}
export_() {
  local name=$1
  shift
  "$capture" "$@" --out "$work/$name" 2>"$work/$name.log" ||
    { echo "FAIL: $name: status $?"; cat "$work/$name.log"; fail=1; return 1; }
}

# party: 45 frames at 60 fps from 10 s, two passes.
if export_ party.mp4 --preset party --size 320x180 --from 216 --to 232.2; then
  f=$work/party.mp4
  expect "party video" "$(stream "$f" v codec_name,profile,level,width,height,r_frame_rate,pix_fmt)" \
    "h264 High 42 320 180 60/1 yuv420p"
  expect "party frames" "$(stream "$f" v nb_frames)" 45
  expect "party audio" "$(stream "$f" a codec_name,profile,sample_rate,channels)" "aac LC 48000 2"
  expect "party key frames" "$(keys "$f")" "0"
  x264=$(strings "$f" | grep -m1 'x264 - core')
  for part in "rc=2pass" "bitrate=20000" "vbv_maxrate=40000" "keyint=120" "open_gop=0"; do
    [[ " $x264 " == *" $part "* ]] || { echo "FAIL: party: x264 not run with $part: $x264"; fail=1; }
  done
  audio=$(stream "$f" a bit_rate)
  awk -v b="$audio" 'BEGIN { exit !(b > 280000 && b < 360000) }' || { echo "FAIL: party audio $audio bit/s"; fail=1; }
fi

# web: 45 frames; a key frame every 30, none at the cuts between them.
if export_ web.mp4 --preset web --size 320x180 --from 216 --to 232.2; then
  f=$work/web.mp4
  expect "web video" "$(stream "$f" v codec_name,profile,width,height,r_frame_rate,pix_fmt)" \
    "h264 High 320 180 60/1 yuv420p"
  expect "web audio" "$(stream "$f" a codec_name,sample_rate,channels)" "aac 48000 2"
  expect "web key frames" "$(keys "$f")" "0 30"
  x264=$(strings "$f" | grep -m1 'x264 - core')
  for part in "rc=abr" "bitrate=60000" "keyint=30" "scenecut=0" "open_gop=0"; do
    [[ " $x264 " == *" $part "* ]] || { echo "FAIL: web: x264 not run with $part: $x264"; fail=1; }
  done
  audio=$(stream "$f" a bit_rate)
  awk -v b="$audio" 'BEGIN { exit !(b > 300000 && b < 430000) }' || { echo "FAIL: web audio $audio bit/s"; fail=1; }
fi

# The native size: without --size the web preset draws 3840x2160 (two frames only).
if export_ web-full.mp4 --preset web --from 216 --to 216.72; then
  expect "web full size" "$(stream "$work/web-full.mp4" v width,height,nb_frames)" "3840 2160 2"
fi

# 10 bits, and the other codecs.
if export_ deep.mp4 --preset web --depth 10 --size 320x180 --from 216 --to 218.16; then
  expect "10-bit" "$(stream "$work/deep.mp4" v codec_name,profile,pix_fmt)" "h264 High 10 yuv420p10le"
fi
if export_ hevc.mp4 --codec hevc --depth 10 --size 320x180 --fps 12 --from 216 --to 225; then
  expect "hevc" "$(stream "$work/hevc.mp4" v codec_name,profile,pix_fmt,codec_tag_string)" \
    "hevc Main 10 yuv420p10le hvc1"
fi
if export_ av1.mkv --codec av1 --size 320x180 --fps 12 --from 216 --to 225; then
  expect "av1" "$(stream "$work/av1.mkv" v codec_name,pix_fmt)" "av1 yuv420p"
fi

# lossless: FFV1 in Matroska with FLAC, and frame 0 is row 216 exactly as drawn.
if export_ lossless.mkv --preset lossless --size 160x90 --fps 12 --from 216 --to 225; then
  f=$work/lossless.mkv
  expect "lossless video" "$(stream "$f" v codec_name,width,height,r_frame_rate,pix_fmt)" \
    "ffv1 160 90 12/1 bgr0"
  expect "lossless container" "$(ffprobe -v error -show_entries format=format_name -of default=nw=1:nk=1 "$f")" "matroska,webm"
  expect "lossless audio" "$(stream "$f" a codec_name)" "flac"
  "$frames" --offscreen --size 160x90 --out "$work/still" 216 2>"$work/still.log" || cat "$work/still.log"
  drawn=$(ffmpeg -v error -i "$work/still/row-216.png" -f rawvideo -pix_fmt rgb24 - | md5sum)
  exported=$(ffmpeg -v error -i "$f" -frames:v 1 -f rawvideo -pix_fmt rgb24 - | md5sum)
  expect "lossless frame 0 against the still" "$exported" "$drawn"
fi
[ $fail -eq 0 ] && echo PASS
exit $fail
