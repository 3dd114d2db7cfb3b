#!/bin/sh
# Runs a Windows executable of the build under Wine in the build's prefix.
: "${WINEPREFIX:?WINEPREFIX must name the build's Wine prefix}"
export WINEPREFIX
export WINEDEBUG=-all
exec wine "$@"
