#!/bin/sh
# Runs a Windows executable of the build under Wine in the build's prefix.
: "${WINEPREFIX:?WINEPREFIX must name the build's Wine prefix}"
export WINEPREFIX
export WINEDEBUG=-all
# Wine starts its background programs (services, device drivers, the desktop)
# with the first program that needs them and keeps them as long as the
# server; they inherit that program's standard handles. Were those ctest's
# pipe, ctest would wait for its end until the time-out: the program writes
# to a file instead, shown once it has ended.
output=$(mktemp)
trap 'rm -f "$output"' EXIT
wine "$@" </dev/null >"$output" 2>&1
status=$?
cat "$output"
exit $status
