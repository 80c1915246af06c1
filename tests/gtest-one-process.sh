#!/usr/bin/env bash
# Runs every GoogleTest binary of a build once, with all its tests in one
# process and in a shuffled order, in the environment and working folder that
# CTest gives its tests. CTest runs each test in a process of its own, which
# hides a test that passes only when it runs alone (or only after another);
# this does not. Each binary prints its order's seed; GTEST_SEED=N replays it.
# Exit status 1 when any binary fails.
#
#     tests/gtest-one-process.sh BUILD
set -uo pipefail
build=$(cd "${1:?usage: tests/gtest-one-process.sh BUILD}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The binaries behind CTest's GoogleTest entries (those run with a filter), one
# line each: binary, working folder, environment (KEY=VALUE;...), tab-separated.
(cd "$build" && ctest --show-only=json-v1) >"$work/tests.json" || exit 1
cat >"$work/binaries.cmake" <<'CMAKE'
cmake_minimum_required(VERSION 3.19)
file(READ "${JSON}" json)
string(JSON count LENGTH "${json}" tests)
math(EXPR last "${count} - 1")
set(seen "")
foreach(i RANGE ${last})
  string(JSON filter ERROR_VARIABLE missing GET "${json}" tests ${i} command 1)
  if(missing OR NOT filter MATCHES "^--gtest_filter=")
    continue()
  endif()
  string(JSON binary GET "${json}" tests ${i} command 0)
  if(binary IN_LIST seen)
    continue()
  endif()
  list(APPEND seen "${binary}")
  set(folder "${build}")
  set(environment "")
  string(JSON properties ERROR_VARIABLE missing LENGTH "${json}" tests ${i} properties)
  if(NOT missing AND properties GREATER 0)
    math(EXPR lastProperty "${properties} - 1")
    foreach(p RANGE ${lastProperty})
      string(JSON name GET "${json}" tests ${i} properties ${p} name)
      if(name STREQUAL "WORKING_DIRECTORY")
        string(JSON folder GET "${json}" tests ${i} properties ${p} value)
      elseif(name STREQUAL "ENVIRONMENT")
        string(JSON values LENGTH "${json}" tests ${i} properties ${p} value)
        math(EXPR lastValue "${values} - 1")
        foreach(v RANGE ${lastValue})
          string(JSON value GET "${json}" tests ${i} properties ${p} value ${v})
          list(APPEND environment "${value}")
        endforeach()
      endif()
    endforeach()
  endif()
  file(APPEND "${OUT}" "${binary}\t${folder}\t${environment}\n")
endforeach()
CMAKE
cmake -DJSON="$work/tests.json" -DOUT="$work/binaries" -Dbuild="$build" \
  -P "$work/binaries.cmake" || exit 1
[ -s "$work/binaries" ] || { echo "no GoogleTest binaries in $build"; exit 1; }

status=0
while IFS=$'\t' read -r binary folder environment; do
  IFS=';' read -r -a variables <<<"$environment"
  start=$SECONDS
  if (cd "$folder" && env "${variables[@]}" "$binary" --gtest_shuffle \
        --gtest_random_seed="${GTEST_SEED:-0}" </dev/null >"$work/log" 2>&1); then
    echo "passed in one process: $binary ($((SECONDS - start)) s)"
  else
    status=1
    cat "$work/log"
    echo "FAILED in one process: $binary"
  fi
done <"$work/binaries"
exit $status
