#!/bin/sh
# Runs a command with an X display: the one in DISPLAY, or else a private
# Xvfb that lives as long as the command.
if [ -n "${DISPLAY:-}" ]; then exec "$@"; fi
command -v Xvfb >/dev/null || { echo "with-display: no DISPLAY and no Xvfb" >&2; exit 1; }
number_file=$(mktemp)
Xvfb -displayfd 4 -screen 0 1024x768x24 -nolisten tcp 4>"$number_file" </dev/null >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -f "$number_file"' EXIT
tries=0
while [ ! -s "$number_file" ]; do
    tries=$((tries + 1))
    if [ $tries -gt 100 ] || ! kill -0 $xvfb 2>/dev/null; then echo "with-display: Xvfb did not start" >&2; exit 1; fi
    sleep 0.1
done
DISPLAY=:$(head -n 1 "$number_file")
export DISPLAY
"$@"
