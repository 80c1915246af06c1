#!/usr/bin/env bash
# xvfb-run for the tests. It starts its search for a free display at a random
# number: with `xvfb-run -a` alone, tests that start X servers at the same
# moment pick the same display and one fails to start. Its temporary files go
# to a folder of this run's own, and a run whose clean-up failed (status 5:
# the command's own status is then lost) is run once more.
run() {
  local tmp status
  tmp=$(mktemp -d "${TMPDIR:-/tmp}/halcyon-xvfb.XXXXXX") || return 1
  TMPDIR=$tmp xvfb-run -a -n $(( 100 + (RANDOM * 32768 + RANDOM) % 30000 )) "$@"
  status=$?
  rm -rf "$tmp"
  return $status
}
run "$@"
status=$?
if [ $status -eq 5 ]; then
  echo "xvfb-run: clean-up failed; running again" >&2
  run "$@"
  status=$?
fi
exit $status
