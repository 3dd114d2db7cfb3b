#!/bin/sh
# Gives the Wine prefix in WINEPREFIX a display of DPI dots per inch (96 is
# 100%, 144 is 150%, 192 is 200%), as a user's display settings would.
#   tests/ui/set-dpi.sh DPI
# Wine 8 takes the DPI from HKCU\Control Panel\Desktop\LogPixels (winecfg's
# setting) when its server's first program starts, and the desktop keeps it:
# the running server is ended, saving the registry, so that the next program
# starts a server that reads the new value.
set -e
: "${WINEPREFIX:?WINEPREFIX must name the build's Wine prefix}"
export WINEPREFIX WINEDEBUG=-all
case "$1" in
    ''|*[!0-9]*) echo "usage: set-dpi.sh DPI" >&2; exit 64 ;;
esac
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1
wineserver -k </dev/null >/dev/null 2>&1 || true
wineserver -w </dev/null >/dev/null 2>&1
