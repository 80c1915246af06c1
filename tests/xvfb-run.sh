#!/usr/bin/env bash
# xvfb-run starting its search for a free display at a random number: with
# `xvfb-run -a` alone, tests that start X servers at the same moment pick the
# same display and one of them fails to start.
n=$(( 100 + (RANDOM * 32768 + RANDOM) % 30000 ))
exec xvfb-run -a -n "$n" "$@"
