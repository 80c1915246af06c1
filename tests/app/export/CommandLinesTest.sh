#!/usr/bin/env bash
# Every command line the two tools refuse, with its status and its one-line
# message, checked on the real programs. They run with a display that does not
# exist: a tool that touched the window system before reading its arguments
# would fail on it instead of answering.
#   CommandLinesTest.sh FRAMES CAPTURE WORKDIR
set -u
frames=$1 capture=$2 work=$3
rm -rf "$work"
mkdir -p "$work/folder"
touch "$work/file"
export DISPLAY=:31999
fail=0

# check TOOL STATUS MESSAGE ARG...: the status, the message as the only line on
# stderr (or, for status 0, the usage on stdout), nothing new in the work folder.
check() {
  local tool=$1 status=$2 message=$3 actual before after
  shift 3
  local program=$frames
  [ "$tool" = capture ] && program=$capture
  before=$(find "$work" | sort)
  (cd "$work" && "$program" "$@") >"$work.out" 2>"$work.err"
  actual=$?
  after=$(find "$work" | sort)
  local what="halcyon-$tool $*"
  [ "$actual" = "$status" ] || { echo "FAIL: $what: status $actual, not $status"; fail=1; }
  if [ "$status" = 0 ]; then
    grep -qF "$message" "$work.out" && [ ! -s "$work.err" ] ||
      { echo "FAIL: $what: usage not on stdout alone"; cat "$work.err"; fail=1; }
  else
    [ "$(wc -l <"$work.err")" = 1 ] && grep -qF -- "$message" "$work.err" && [ ! -s "$work.out" ] ||
      { echo "FAIL: $what: expected the one line '$message', got:"; cat "$work.err"; fail=1; }
  fi
  [ "$before" = "$after" ] || { echo "FAIL: $what: left files behind"; diff <(echo "$before") <(echo "$after"); fail=1; }
}

check frames 0 "usage: halcyon-frames" --help
check frames 2 "halcyon-frames: unknown option --bogus (see halcyon-frames --help)" --bogus --out f 1
check frames 2 "halcyon-frames: bad size 640x" --size 640x --out f 1
check frames 2 "halcyon-frames: bad size 0x360" --size 0x360 --out f 1
check frames 2 "halcyon-frames: bad size 99999x10" --size 99999x10 --out f 1
check frames 2 "halcyon-frames: bad row ten" --out f ten
check frames 2 "halcyon-frames: bad row nan" --out f nan
check frames 2 "halcyon-frames: bad row 12abc" --out f 12abc
check frames 2 "halcyon-frames: no --out folder" 1
check frames 2 "halcyon-frames: no row to render" --out f
check frames 2 "halcyon-frames: --size needs a value" --out f 1 --size
check frames 1 "halcyon-frames: cannot create folder file/sub: Not a directory" --out file/sub 1
check frames 1 "halcyon-frames: cannot create folder /proc/halcyon-frames" --out /proc/halcyon-frames 1
check capture 0 "usage: halcyon-capture" --help
check capture 2 "halcyon-capture: unknown option --bogus (see halcyon-capture --help)" --bogus 1
check capture 2 "halcyon-capture: unexpected argument extra" extra
check capture 2 "halcyon-capture: bad size 640" --size 640
check capture 2 "halcyon-capture: bad frame rate 0" --fps 0
check capture 2 "halcyon-capture: bad frame rate 29.97" --fps 29.97
check capture 2 "halcyon-capture: bad frame rate 241" --fps 241
# Both ends of the documented range pass: the next argument's refusal is the one heard.
check capture 2 "halcyon-capture: unknown option --bogus" --fps 240 --bogus
check capture 2 "halcyon-capture: unknown option --bogus" --fps 1 --from 0 --bogus
check capture 2 "halcyon-capture: bad row -1" --from -1
check capture 2 "halcyon-capture: bad row x" --to x
check capture 2 "halcyon-capture: bad row inf" --to inf
check capture 2 "halcyon-capture: --from 300 is not before --to 200" --from 300 --to 200
check capture 2 "halcyon-capture: --from 200 is not before --to 200" --to 200 --from 200
check capture 2 "halcyon-capture: --out needs a value" --out
check capture 2 "halcyon-capture: --out needs a file name" --out ""
check capture 1 "halcyon-capture: cannot create folder file/sub/: Not a directory" --out file/sub/x.mp4
# Encodings that cannot be made, refused before anything is drawn.
check capture 2 "halcyon-capture: unknown preset club: party, web or lossless" --preset club
check capture 2 "halcyon-capture: unknown codec vp9: h264, hevc, av1 or ffv1" --codec vp9
check capture 2 "halcyon-capture: --crf and --bitrate exclude each other" --crf 20 --bitrate 8M
check capture 2 "halcyon-capture: --crf does not apply to ffv1" --preset lossless --crf 0
check capture 2 "halcyon-capture: --bitrate does not apply to ffv1" --codec ffv1 --bitrate 8M --out x.mkv
check capture 2 "halcyon-capture: --passes 2 does not apply to ffv1" --preset lossless --passes 2
check capture 2 "halcyon-capture: --depth 10 does not apply to ffv1" --preset lossless --depth 10
check capture 2 "halcyon-capture: ffv1 needs a Matroska file (.mkv), not halcyon.mp4" --codec ffv1
check capture 2 "halcyon-capture: ffv1 needs a Matroska file (.mkv), not x.mp4" --preset lossless --out x.mp4
check capture 2 "halcyon-capture: --passes 2 needs a --bitrate" --passes 2
check capture 2 "halcyon-capture: --passes 2 needs a --bitrate" --preset party --crf 20 --passes 2
check capture 2 "halcyon-capture: --passes 2 is for h264, not av1" --codec av1 --bitrate 5M --passes 2
check capture 2 "halcyon-capture: --bitrate 70000000 is above what H.264 level 4.2 allows" --preset party --bitrate 70M
check capture 2 "halcyon-capture: bad crf 52: 0 to 51 for h264" --crf 52
check capture 2 "halcyon-capture: bad crf 64" --codec av1 --crf 64
check capture 2 "halcyon-capture: bad crf 1.5" --crf 1.5
check capture 2 "halcyon-capture: bad bitrate 20G" --bitrate 20G
check capture 2 "halcyon-capture: bad depth 12: 8 or 10" --depth 12
check capture 2 "halcyon-capture: bad passes 3: 1 or 2" --passes 3
check capture 2 "halcyon-capture: bad segment 4/3" --segment 4/3 --out d
check capture 2 "halcyon-capture: bad segment 0/3" --segment 0/3 --out d
check capture 2 "halcyon-capture: bad segment 1/3x" --segment 1/3x --out d
check capture 2 "halcyon-capture: --segment needs --out FOLDER" --segment 1/3
check capture 2 "halcyon-capture: --segment and --join exclude each other" --segment 1/3 --join d --out f
check capture 2 "halcyon-capture: --join takes only --out" --join folder --preset party
check capture 1 "halcyon-capture: no segments in folder" --join folder --out x.mp4
check capture 1 "halcyon-capture: cannot open folder none: No such file or directory" --join none
check capture 1 "halcyon-capture: cannot write folder: Is a directory" --out folder
check capture 1 "halcyon-capture: cannot write folder/: Is a directory" --out folder/
check capture 1 "halcyon-capture: cannot write in /proc/" --out /proc/x.mp4
[ $fail -eq 0 ] && echo PASS
exit $fail
