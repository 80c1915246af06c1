#!/usr/bin/env bash
# Runs one test command in a virtual X server of its own:
#   xvfb-run.sh [-a] -s "SERVER ARGS" COMMAND [ARG...]
# The server picks a free display itself and names it only once it accepts
# connections (-displayfd), so tests that start servers at the same moment
# never race for a display number. Unlike xvfb-run, nothing here makes an
# authority file or a temporary folder whose clean-up can fail after the
# command has run and replace the command's status with its own. Exits with
# the command's status, or 125 when the server cannot start. (-a is taken for
# the callers written for xvfb-run; a free display is always chosen.)
set -u
readonly server_failed=125
server_args=
while [ $# -gt 0 ]; do
  case $1 in
  -a) shift ;;
  -s) server_args=$2; shift 2 ;;
  *) break ;;
  esac
done

work=$(mktemp -d "${TMPDIR:-/tmp}/halcyon-xvfb.XXXXXX") || exit $server_failed
server=
stop_server() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null
    wait "$server" 2>/dev/null
    server=
  fi
  rm -rf "$work"
}
trap stop_server EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

mkfifo "$work/display"
# shellcheck disable=SC2086 # the server arguments are words
Xvfb -displayfd 3 -nolisten tcp $server_args 3>"$work/display" >"$work/log" 2>&1 &
server=$!
# Blocks until the server writes its display, or ends without one.
read -r display <"$work/display"
if [ -z "${display:-}" ]; then
  echo "xvfb-run.sh: the X server did not start:" >&2
  cat "$work/log" >&2
  exit $server_failed
fi

DISPLAY=":$display" XAUTHORITY=/dev/null "$@"
