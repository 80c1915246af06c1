#!/usr/bin/env bash
# Where the export writes: a path longer than the kernel's 4096-byte limit on
# one path works (the tool and the encoder work relative to the folder), and
# an encoder that fails leaves nothing behind, neither the file nor its
# temporary.
set -u
capture=$1 work=$2
rm -rf "$work"
mkdir -p "$work"
run() { env -u DISPLAY "$capture" --size 64x36 --fps 12 --from 216 --to 222 "$@"; }
fail=0

name=$(printf 'folder-%0200d' 0)
deep=$work
for _ in $(seq 24); do deep="$deep/$name"; done
[ ${#deep} -gt 4096 ] || { echo "FAIL: test path only ${#deep} bytes"; exit 1; }
if run --out "$deep/clip.mp4" 2>"$work/long.log"; then
  # Neither ls nor ffprobe takes such a path: walk down to the folder.
  result=$(cd "$work" && for _ in $(seq 24); do cd "$name" || exit 1; done &&
           echo "$(ffprobe -v error -count_frames -select_streams v \
                     -show_entries stream=nb_read_frames -of csv=p=0 clip.mp4) frames," \
                "$(ls -A | wc -l) files")
  [ "$result" = "4 frames, 1 files" ] || { echo "FAIL: ${#deep}-byte path: $result"; fail=1; }
else
  cat "$work/long.log"; echo "FAIL: ${#deep}-byte path refused"; fail=1
fi

mkdir "$work/bad"
# No container is called .nosuch: ffmpeg refuses at once.
run --out "$work/bad/clip.nosuch" 2>"$work/bad.log"
status=$?
[ $status = 1 ] || { echo "FAIL: failed encoder gave status $status"; fail=1; }
grep -q "^halcyon-capture: ffmpeg.*nothing written to $work/bad/clip.nosuch" "$work/bad.log" ||
  { cat "$work/bad.log"; echo "FAIL: message"; fail=1; }
[ -z "$(ls -A "$work/bad")" ] || { echo "FAIL: left $(ls -A "$work/bad")"; fail=1; }
[ $fail -eq 0 ] && echo PASS
exit $fail
