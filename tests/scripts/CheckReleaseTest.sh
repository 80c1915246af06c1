#!/usr/bin/env bash
# scripts/check-release against release folders assembled from the fixture:
#   CheckReleaseTest.sh CHECK PROGRAM OUTER_LIB INNER_LIB WORK
# Each case: what the folder carries, the C library limit, the status and a
# line the output must hold.
set -u
check=$1 program=$2 outer=$3 inner=$4 work=$5
outer_name=$(basename "$outer") inner_name=$(basename "$inner")
failures=0

run_case() {
  local name=$1 carried=$2 limit=$3 want_status=$4 want_line=$5
  local folder="$work/$name"
  rm -rf "$folder"
  mkdir -p "$folder/lib"
  case $carried in *program*) cp "$program" "$folder/halcyon" ;; esac
  case $carried in *outer*) cp "$outer" "$folder/lib/" ;; esac
  case $carried in *inner*) cp "$inner" "$folder/lib/" ;; esac
  # A file that is not a program is not checked.
  echo "read me" > "$folder/README.txt"
  bash "$check" --glibc "$limit" "$folder" > "$folder.out" 2>&1
  local status=$?
  if [ $status -ne "$want_status" ] || ! grep -qF -- "$want_line" "$folder.out"; then
    echo "FAIL: $name: status $status (wanted $want_status), wanted the line: $want_line"
    cat "$folder.out"
    failures=$((failures + 1))
  fi
}

# The fixture is built here, on a C library of 2.34 or newer (__libc_start_main
# moved to GLIBC_2.34), so 2.31 is too old for it and 99.0 is not.
run_case everything_carried "program outer inner" 99.0 0 "check-release: OK: 3 files"
run_case driver_is_the_systems "program outer inner" 99.0 0 "libGL.so.1"
run_case newer_c_library "program outer inner" 2.31 1 \
  "FAULT: halcyon needs GLIBC_2.34 (newer than 2.31) for: __libc_start_main"
run_case program_needs_uncarried "program inner" 99.0 1 \
  "FAULT: halcyon needs $outer_name, neither carried in lib/ nor a system library"
run_case carried_needs_uncarried "program outer" 99.0 1 \
  "FAULT: lib/$outer_name needs $inner_name, neither carried in lib/ nor a system library"
run_case no_programs "" 99.0 1 "FAULT: no programs in"

bash "$check" "$work" --glibc > /dev/null 2>&1
[ $? -eq 2 ] || { echo "FAIL: a wrong command line is not status 2"; failures=$((failures + 1)); }
[ $failures -eq 0 ] && echo "PASS: check-release"
exit $((failures > 0))
